#include "setup/cabinet_manifest.h"

#include <charconv>

namespace qmx2::setup {
namespace {

std::vector<std::string_view> Split(std::string_view line, char separator) {
    std::vector<std::string_view> fields;
    for (;;) {
        const size_t at = line.find(separator);
        fields.push_back(line.substr(0, at));
        if (at == std::string_view::npos) return fields;
        line.remove_prefix(at + 1);
    }
}

std::string_view Trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t' || s.front() == '\r')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
    return s;
}

bool Number(std::string_view digits, uint32_t* value) {
    const auto [end, ec] = std::from_chars(digits.data(), digits.data() + digits.size(), *value);
    return !digits.empty() && ec == std::errc() && end == digits.data() + digits.size();
}

bool SafeHandheldPath(std::string_view path) {
    if (path.size() < 2 || path.front() != '\\') return false;
    for (const auto part : Split(path.substr(1), '\\'))
        if (part.empty() || part == "." || part == ".." || part.find('/') != std::string_view::npos)
            return false;
    return true;
}

bool SafeCabinetName(std::string_view name) {
    return !name.empty() && name.find_first_of("\\/") == std::string_view::npos && name != "." &&
           name != "..";
}

}  // namespace

std::string FormatManifest(const Manifest& m) {
    std::string out = std::string("shell\t") + (m.shell == Shell::kPocketPc ? "PocketPC" : "HandheldPC") +
                      "\nprocessor\t" + std::to_string(m.processor) + "\n";
    for (const auto& f : m.files) out += "file\t" + f.cabinet_name + "\t" + f.handheld_path + "\n";
    for (const auto& v : m.values)
        out += (v.is_dword ? "dword\t" : "sz\t") + v.key + "\t" + v.name + "\t" +
               (v.is_dword ? std::to_string(v.dword) : v.text) + "\n";
    return out;
}

bool ParseManifest(std::string_view text, Manifest* m) {
    *m = {};
    bool shell = false;
    for (const auto raw : Split(text, '\n')) {
        if (Trim(raw).empty()) continue;
        const auto f = Split(raw.back() == '\r' ? raw.substr(0, raw.size() - 1) : raw, '\t');
        if (f[0] == "shell" && f.size() == 2 && (f[1] == "PocketPC" || f[1] == "HandheldPC")) {
            m->shell = f[1] == "PocketPC" ? Shell::kPocketPc : Shell::kHandheldPc;
            shell = true;
        } else if (f[0] == "processor" && f.size() == 2) {
            if (!Number(f[1], &m->processor)) return false;
        } else if (f[0] == "file" && f.size() == 3) {
            if (!SafeCabinetName(f[1]) || !SafeHandheldPath(f[2])) return false;
            m->files.push_back({std::string(f[1]), std::string(f[2])});
        } else if ((f[0] == "dword" || f[0] == "sz") && f.size() == 4 && !f[1].empty()) {
            ManifestValue v{std::string(f[1]), std::string(f[2]), f[0] == "dword", 0, {}};
            if (v.is_dword && !Number(f[3], &v.dword)) return false;
            if (!v.is_dword) v.text = f[3];
            m->values.push_back(std::move(v));
        } else {
            return false;
        }
    }
    return shell && m->processor != 0;
}

std::string CabinetNameFor(Shell shell, uint32_t processor) {
    const char* family = processor == kProcessorSh3     ? "sh3"
                         : processor == kProcessorR4000 ? "4000"
                         : processor == kProcessorArm   ? "2577"
                                                        : nullptr;
    if (!family) return {};
    return std::string(shell == Shell::kPocketPc ? "qmx2ppc." : "qmx2hpc.") + family + ".CAB";
}

std::vector<std::string> CabFilesOf(std::string_view ini) {
    for (const auto raw : Split(ini, '\n')) {
        const std::string_view line = Trim(raw);
        const size_t eq = line.find('=');
        if (eq == std::string_view::npos || Trim(line.substr(0, eq)) != "CabFiles") continue;
        std::vector<std::string> names;
        for (const auto name : Split(Trim(line.substr(eq + 1)), ','))
            if (!Trim(name).empty()) names.emplace_back(Trim(name));
        return names;
    }
    return {};
}

}  // namespace qmx2::setup
