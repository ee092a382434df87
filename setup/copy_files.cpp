#include "setup/copy_files.h"

#include "platform/comm_types.h"
#include "setup/setup_texts.h"

namespace qmx2::setup {
namespace {

using platform::File;
using platform::WideString;

constexpr uint32_t kBlockBytes = 4096;

bool WriteText(File& file, std::string_view text) {
    uint32_t written = 0;
    return file.Write(text.data(), static_cast<uint32_t>(text.size()), &written) &&
           written == text.size();
}

char Fold(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; }

bool SamePathIgnoringCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (Fold(a[i]) != Fold(b[i])) return false;
    return true;
}

bool CopyOne(const CopyJob& job, const SetupEntry& entry, const WideString& to) {
    const WideString from = platform::FromUtf8(entry.source);
    std::string from_host, to_host;
    if (!job.installer.HostPath(from, &from_host) || !job.desktop.HostPath(to, &to_host)) return false;
    if (SamePathIgnoringCase(from_host, to_host)) return false;
    File in, out;
    if (!job.installer.Open(from, platform::GENERIC_READ, platform::FILE_SHARE_READ,
                            platform::OPEN_EXISTING, &in))
        return false;
    if (!job.desktop.Open(to, platform::GENERIC_WRITE, 0, platform::CREATE_ALWAYS, &out)) return false;
    char block[kBlockBytes];
    for (;;) {
        uint32_t read = 0, written = 0;
        if (!in.Read(block, kBlockBytes, &read)) break;
        if (read == 0) return out.Close();
        if (!out.Write(block, read, &written) || written != read) break;
    }
    out.Close();
    job.desktop.Delete(to);
    return false;
}

}  // namespace

int PercentAfter(size_t done, size_t total) {
    if (total == 0 || done >= total) return 100;
    return static_cast<int>((done * 100 + total - 1) / total);
}

void RemoveSetupLog(platform::Files& desktop, platform::WideView destination) {
    WideString log(destination);
    log += platform::FromUtf8(kLogName);
    if (desktop.FileExists(log)) desktop.Delete(log);
}

CopyOutcome CopyFiles(const CopyJob& job, ProgressValue& progress, CopyView& view) {
    CopyOutcome outcome;
    view.ShowText(kCopying);
    File log;
    const WideString log_path = job.destination + platform::FromUtf8(kLogName);
    const bool log_open = job.desktop.Open(log_path, platform::GENERIC_WRITE, platform::FILE_SHARE_READ,
                                           platform::CREATE_ALWAYS, &log);
    if (log_open) WriteText(log, job.list.title + "\n");
    int shown = 0;
    for (size_t i = 0; i < job.list.entries.size(); ++i) {
        const SetupEntry& entry = job.list.entries[i];
        // Every entry goes to the one destination folder, whatever its number says.
        const WideString to = job.destination + platform::FromUtf8(entry.destination);
        view.ShowText(entry.destination);
        if (!CopyOne(job, entry, to)) {
            outcome.failed_name = entry.destination;
            log.Close();
            RemoveSetupLog(job.desktop, job.destination);
            return outcome;
        }
        if (log_open) WriteText(log, platform::ToUtf8(to) + "\n");
        const int percent = PercentAfter(i + 1, job.list.entries.size());
        if (percent > shown) {
            shown = percent;
            progress.Set(percent);
            view.Repaint();
        }
    }
    log.Close();
    outcome.ok = true;
    return outcome;
}

}  // namespace qmx2::setup
