#include "setup/appmgr/app_install.h"

#include <vector>

#include "platform/cabinet.h"
#include "platform/comm_types.h"
#include "setup/desktop.h"

namespace qmx2::setup {
namespace {

using platform::WideString;

constexpr size_t kMaxDescriptionBytes = 64 * 1024;

// The folder part of a desktop path, separator kept.
WideString FolderOf(const WideString& path) {
    const size_t at = path.find_last_of(u"\\/");
    return at == WideString::npos ? WideString() : path.substr(0, at + 1);
}

WideString ParentFolder(const WideString& path) {
    const size_t at = path.find_last_of(u'\\');
    return at == 0 || at == WideString::npos ? WideString() : path.substr(0, at);
}

// Programs and libraries: no extension, ".exe" or ".dll".
bool IsProgram(std::string_view path) {
    const size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || dot < path.rfind('\\')) return true;
    const std::string_view ext = path.substr(dot);
    return ext == ".exe" || ext == ".EXE" || ext == ".dll" || ext == ".DLL";
}

bool MakeFolders(platform::Files& files, const WideString& folder) {
    if (folder.empty() || files.FolderExists(folder)) return true;
    return MakeFolders(files, ParentFolder(folder)) && files.CreateFolder(folder);
}

uint32_t SetValue(platform::Registry& registry, const ManifestValue& v) {
    platform::RegKey key = 0;
    uint32_t rc = registry.CreateKey(platform::HKEY_LOCAL_MACHINE, platform::FromUtf8(v.key), &key);
    if (rc != platform::ERROR_SUCCESS) return rc;
    const WideString name = platform::FromUtf8(v.name);
    if (v.is_dword) {
        rc = registry.SetValue(key, name, platform::REG_DWORD, &v.dword, sizeof v.dword);
    } else {
        const WideString text = platform::FromUtf8(v.text);
        rc = registry.SetValue(key, name, platform::REG_SZ, text.c_str(),
                               static_cast<uint32_t>((text.size() + 1) * sizeof(char16_t)));
    }
    registry.CloseKey(key);
    return rc;
}

}  // namespace

Handheld ReadHandheld(platform::Registry& registry) {
    Handheld h;
    platform::RegKey key = 0;
    if (registry.OpenKey(platform::HKEY_LOCAL_MACHINE, kPlatformKey, &key) != platform::ERROR_SUCCESS) return h;
    char16_t shell[32] = {};
    uint32_t type = 0, size = sizeof shell - sizeof(char16_t);
    if (registry.QueryValue(key, u"Shell", &type, shell, &size) == platform::ERROR_SUCCESS && type == platform::REG_SZ)
        h.shell = std::u16string_view(shell) == u"HandheldPC" ? Shell::kHandheldPc : Shell::kPocketPc;
    uint32_t processor = 0;
    size = sizeof processor;
    if (registry.QueryValue(key, u"Processor", &type, &processor, &size) == platform::ERROR_SUCCESS &&
        type == platform::REG_DWORD)
        h.processor = processor;
    registry.CloseKey(key);
    return h;
}

std::string DescriptionPathOf(std::string_view line) {
    const size_t close = line.rfind('"');
    if (close == std::string_view::npos) return std::string(line);
    const size_t open = close == 0 ? std::string_view::npos : line.rfind('"', close - 1);
    if (open == std::string_view::npos) return std::string(line);
    return std::string(line.substr(open + 1, close - open - 1));
}

InstallReport InstallFromDescription(const InstallJob& job) {
    InstallReport report;
    const WideString description = platform::FromUtf8(job.description_path);
    std::string ini;
    if (!ReadFileStart(job.desktop, description, kMaxDescriptionBytes, &ini)) {
        report.detail = "The description file " + job.description_path + " cannot be read.";
        return report;
    }
    const Handheld handheld = ReadHandheld(job.handheld_registry);
    report.cabinet = CabinetNameFor(handheld.shell, handheld.processor);
    bool listed = false;
    for (const auto& name : CabFilesOf(ini)) listed |= !report.cabinet.empty() && name == report.cabinet;
    if (!listed) {
        report.detail = "No cabinet for this device is named in " + job.description_path + ".";
        return report;
    }
    std::string cab_host;
    std::vector<platform::CabinetFile> content;
    if (!job.desktop.HostPath(FolderOf(description) + platform::FromUtf8(report.cabinet), &cab_host) ||
        !platform::ReadCabinet(cab_host, &content, &report.detail)) {
        if (report.detail.empty()) report.detail = report.cabinet + " cannot be found.";
        return report;
    }
    const auto find = [&](std::string_view name) -> const platform::CabinetFile* {
        for (const auto& f : content)
            if (f.name == name) return &f;
        return nullptr;
    };
    Manifest manifest;
    const platform::CabinetFile* inf = find(kManifestName);
    if (!inf || !ParseManifest(inf->data, &manifest) || manifest.shell != handheld.shell ||
        manifest.processor != handheld.processor) {
        report.detail = report.cabinet + " is not a setup file for this device.";
        return report;
    }
    for (const auto& f : manifest.files)
        if (!find(f.cabinet_name)) {
            report.detail = report.cabinet + " lacks " + f.cabinet_name + ".";
            return report;
        }

    report.result = InstallResult::kWriteFailed;
    std::vector<WideString> written;
    const auto undo = [&] {
        for (const auto& path : written) job.handheld.Delete(path);
    };
    for (const auto& f : manifest.files) {
        const WideString path = platform::FromUtf8(f.handheld_path);
        const platform::CabinetFile* data = find(f.cabinet_name);
        const bool is_new = !job.handheld.FileExists(path);
        if (!MakeFolders(job.handheld, ParentFolder(path)) ||
            !job.handheld.WriteWholeFile(path, data->data.data(), data->data.size()) ||
            (IsProgram(f.handheld_path) && !job.handheld.MakeExecutable(path))) {
            report.detail = "Cannot write " + f.handheld_path + " on the device.";
            undo();
            return report;
        }
        // An older copy that was replaced stays replaced: a half-updated program set still runs.
        if (is_new) written.push_back(path);
    }
    for (const auto& v : manifest.values)
        if (SetValue(job.handheld_registry, v) != platform::ERROR_SUCCESS) {
            report.detail = "Cannot write the registry value " + v.name + " on the device.";
            undo();
            return report;
        }
    report.files = manifest.files.size();
    report.result = InstallResult::kInstalled;
    return report;
}

}  // namespace qmx2::setup
