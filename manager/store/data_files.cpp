// The local data files at start-up and at exit.
#include "manager/store/data_files.h"

#include <string>
#include <vector>

#include "common/data_call.h"
#include "manager/store/data_pack.h"
#include "manager/store/settings_registry.h"

namespace qmx2::manager {
namespace {

std::string SavName(std::string_view txt) {
    return std::string(txt.substr(0, txt.rfind('.'))) + ".sav";
}

void SaveOne(ManagerContext& ctx, const char* name, const std::string& bytes, int* failures) {
    if (ctx.folder.WriteWhole(name, bytes)) return;
    // The atomic write left the file as it was at the start of the run, which is what the
    // ".sav" copy holds, so there is nothing to restore.
    ++*failures;
    const std::string text = ctx.folder.DisplayPath(name) + " - save error!";
    ctx.ui.ShowMessage(kCaption, platform::FromUtf8(text), Buttons::kOk, true);
}

struct Damaged {
    const char* name;
    int read;
};

// A record file that is not exactly the records read from it was cut short or overfilled. The
// next save writes only what was read and the next start overwrites the ".sav" copy, so the
// file as found is kept as ".bad", and the user is told.
void ReportDamaged(ManagerContext& ctx, const Damaged& file) {
    const std::string kept = std::string(file.name).substr(0, std::string_view(file.name).rfind('.')) + ".bad";
    std::string text = ctx.folder.DisplayPath(file.name) + " is damaged: " + std::to_string(file.read) +
                       " of its records could be read.";
    if (ctx.folder.Copy(file.name, kept)) text += " The file as found is kept as " + ctx.folder.DisplayPath(kept) + ".";
    else text += " The file as found could not be kept.";
    ctx.ui.ShowMessage(kCaption, platform::FromUtf8(text), Buttons::kOk, true);
}

}  // namespace

void LoadDataFiles(ManagerContext& ctx) {
    ctx.folder.EnsureExists();
    for (const char* name : {kProfileFile, kMessageFile, kBookFile})
        ctx.folder.Copy(name, SavName(name));
    std::vector<Damaged> damaged;
    {
        std::lock_guard lock(ctx.tables);
        const auto check = [&damaged](const char* name, const std::string& bytes, size_t record, int read) {
            if (bytes.size() != record * static_cast<size_t>(read)) damaged.push_back({name, read});
        };
        if (auto bytes = ctx.folder.Read(kMessageFile))
            check(kMessageFile, *bytes, sizeof(MessageRecord), UnpackMessages(*bytes, ctx.messages));
        if (auto bytes = ctx.folder.Read(kBookFile))
            check(kBookFile, *bytes, sizeof(PhonebookEntry), UnpackBook(*bytes, ctx.books.pda));
        if (auto bytes = ctx.folder.Read(kProfileFile))
            check(kProfileFile, *bytes, sizeof(MessageCentreProfile), UnpackProfiles(*bytes, ctx.profiles));
        if (auto bytes = ctx.folder.Read(kOptionFile)) UnpackOptions(*bytes, ctx.options);
    }
    // Told without the tables' lock: the window repaints while the message is up.
    for (const Damaged& file : damaged) ReportDamaged(ctx, file);
    const auto cmd = ReadManagerValue(ctx.registry, kValueModemCmd);
    const common::DataCallSetting s =
        common::ReadDataCallSetting(cmd && !cmd->empty() ? cmd->c_str() : kDefaultModemCmd);
    std::lock_guard lock(ctx.tables);
    ctx.options.bearer = s.method;
    ctx.options.speed = s.speed;
}

int SaveDataFiles(ManagerContext& ctx) {
    std::string messages, book, profiles, options;
    common::DataCallSetting s;
    {
        std::lock_guard lock(ctx.tables);
        s = {ctx.options.bearer, ctx.options.speed};
        messages = PackMessages(ctx.messages);
        book = PackBook(ctx.books.pda);
        profiles = PackProfiles(ctx.profiles);
        options = PackOptions(ctx.options);
    }
    WriteManagerValue(ctx.registry, kValueModemCmd, common::DataCallCommand(s));
    int failures = 0;
    SaveOne(ctx, kMessageFile, messages, &failures);
    SaveOne(ctx, kBookFile, book, &failures);
    SaveOne(ctx, kProfileFile, profiles, &failures);
    SaveOne(ctx, kOptionFile, options, &failures);
    return failures;
}

bool SaveMessageFile(ManagerContext& ctx) {
    std::string messages;
    {
        std::lock_guard lock(ctx.tables);
        messages = PackMessages(ctx.messages);
    }
    int failures = 0;
    SaveOne(ctx, kMessageFile, messages, &failures);
    return failures == 0;
}

}  // namespace qmx2::manager
