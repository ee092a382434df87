// Finding the handheld root: --root, then QMX2_ROOT, then the XDG data folder, then HOME.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>

#include "platform/root.h"

using namespace qmx2::platform;

namespace {

struct FakeEnv {
    std::map<std::string, std::string> vars;
    const char* operator()(const char* name) const {
        const auto it = vars.find(name);
        return it == vars.end() ? nullptr : it->second.c_str();
    }
};

std::string Resolve(std::string_view option, const FakeEnv& env) {
    std::string root, error;
    EXPECT_TRUE(ResolveRoot(option, env, &root, &error)) << error;
    return root;
}

TEST(HandheldRoot, OptionBeatsEnvironmentBeatsDataFolderBeatsHome) {
    FakeEnv env{{{"QMX2_ROOT", "/srv/hh"}, {"XDG_DATA_HOME", "/data"}, {"HOME", "/home/u"}}};
    EXPECT_EQ(Resolve("/tmp/other/", env), "/tmp/other");
    EXPECT_EQ(Resolve("", env), "/srv/hh");
    env.vars["QMX2_ROOT"] = "";  // set but empty counts as unset
    EXPECT_EQ(Resolve("", env), "/data/qmx2/handheld");
    env.vars.erase("XDG_DATA_HOME");
    EXPECT_EQ(Resolve("", env), "/home/u/.local/share/qmx2/handheld");
}

TEST(HandheldRoot, RelativeFoldersBecomeAbsoluteAndNoHomeIsAnError) {
    FakeEnv env{{{"QMX2_ROOT", "hh/./a/../b"}}};
    EXPECT_EQ(Resolve("", env), (std::filesystem::current_path() / "hh/b").string());
    std::string root, error;
    EXPECT_FALSE(ResolveRoot("", FakeEnv{}, &root, &error));
    EXPECT_EQ(error, "No handheld folder: set QMX2_ROOT or HOME, or give --root.");
}

}  // namespace
