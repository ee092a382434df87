// Build tool: makes one device cabinet from the handheld's files.
//   qmx2-makecab OUT.CAB PocketPC|HandheldPC PROCESSOR ITEM...
// ITEM is \Handheld\Path=HOST_FILE, or dword|KEY|NAME|NUMBER, or sz|KEY|NAME|TEXT.
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "platform/cabinet.h"
#include "setup/cabinet_manifest.h"

namespace {

std::vector<std::string> SplitBars(const std::string& s) {
    std::vector<std::string> out;
    size_t start = 0;
    for (size_t at; (at = s.find('|', start)) != std::string::npos; start = at + 1) out.push_back(s.substr(start, at - start));
    out.push_back(s.substr(start));
    return out;
}

int Usage() {
    std::fputs("usage: qmx2-makecab OUT.CAB PocketPC|HandheldPC PROCESSOR "
               "(\\PATH=FILE | dword|KEY|NAME|N | sz|KEY|NAME|TEXT)...\n", stderr);
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace qmx2;
    if (argc < 4) return Usage();
    const std::string out = argv[1], shell = argv[2];
    setup::Manifest manifest;
    if (shell != "PocketPC" && shell != "HandheldPC") return Usage();
    manifest.shell = shell == "PocketPC" ? setup::Shell::kPocketPc : setup::Shell::kHandheldPc;
    manifest.processor = static_cast<uint32_t>(std::stoul(argv[3]));
    std::vector<platform::CabinetFile> files;
    for (int i = 4; i < argc; ++i) {
        const std::string item = argv[i];
        const auto bars = SplitBars(item);
        if (bars.size() == 4 && (bars[0] == "dword" || bars[0] == "sz")) {
            setup::ManifestValue v{bars[1], bars[2], bars[0] == "dword", 0, bars[3]};
            if (v.is_dword) v.dword = static_cast<uint32_t>(std::stoul(bars[3]));
            manifest.values.push_back(v);
            continue;
        }
        const size_t eq = item.find('=');
        if (eq == std::string::npos || item[0] != '\\') return Usage();
        const std::string handheld = item.substr(0, eq), host = item.substr(eq + 1);
        std::ifstream in(host, std::ios::binary);
        if (!in) {
            std::fprintf(stderr, "qmx2-makecab: cannot read %s\n", host.c_str());
            return 1;
        }
        const std::string name = handheld.substr(handheld.rfind('\\') + 1);
        files.push_back({name, {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()}});
        manifest.files.push_back({name, handheld});
    }
    files.push_back({std::string(setup::kManifestName), setup::FormatManifest(manifest)});
    std::string error;
    if (!platform::WriteCabinet(out, files, &error)) {
        std::fprintf(stderr, "qmx2-makecab: %s\n", error.c_str());
        return 1;
    }
    return 0;
}
