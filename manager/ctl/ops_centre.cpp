// qmx2ctl's "centre" commands: the "Messages" page and the "Options" dialog without windows.
#include <nlohmann/json.hpp>

#include "manager/ctl/ops_words.h"
#include "manager/settings/centre_dialogs.h"
#include "manager/settings/centre_profiles.h"
#include "manager/store/settings_registry.h"

namespace qmx2::manager::ctl {
namespace {

bool ValidityFrom(const std::string& label, int* choice) {
    for (int i = 0; i < kValidityChoices; ++i) {
        if (label == ValidityLabel(i)) {
            *choice = i;
            return true;
        }
    }
    return false;
}

CommandResult List(ManagerContext& ctx, bool as_json) {
    const MessagesPage page = OpenMessagesPage(ctx);
    nlohmann::json rows = nlohmann::json::array();
    std::string t = std::string("Use SIM default: ") + (page.use_sim_default ? "on" : "off") + "\n";
    int n = 0;
    for (const ProfileRow& r : page.rows) {
        rows.push_back({{"row", ++n}, {"name", Latin1ToUtf8(r.name)}, {"number", Latin1ToUtf8(r.number)},
                        {"validity", r.validity}, {"sent_as", r.sent_as}, {"current", r.current}});
        t += std::to_string(n) + (r.current ? "\t*\t" : "\t \t") + TerminalLatin1(r.name) + "\t" +
             TerminalLatin1(r.number) + "\t" + r.validity + "\t" + r.sent_as + "\n";
    }
    if (as_json)
        return {0, nlohmann::json{{"use_sim_default", page.use_sim_default}, {"rows", rows}}.dump(2) + "\n"};
    return {0, t};
}

// "New..." or "Edit" through "Edit Setting Group"; the page then closes and applies.
CommandResult Edit(ManagerContext& ctx, MessagesPage& page, int index, const OpsWords& o) {
    SettingGroupFields f = FieldsOf(ctx.profiles[index]);
    if (o.Has("--name")) f.name = Utf8ToLatin1(o.Named("--name"));
    std::string why;
    if (o.Has("--number") && !NumberTyped(o.Named("--number"), &why)) return OpsBad(why);
    if (o.Has("--number")) f.number = Utf8ToLatin1(o.Named("--number"));
    if (o.Has("--validity") && !ValidityFrom(o.Named("--validity"), &f.validity))
        return OpsBad("validity is one of \"1 hour\", \"6 hours\", \"24 hours\", \"72 hours\", "
                      "\"1 week\", \"Maximum time\"");
    MessageCentreProfile p{};
    if (!EditSettingGroupOk(ctx, f, p)) return OpsDone(false);
    StoreProfile(ctx, page, index, p);
    return OpsDone(ApplyOnMessagesPageClose(ctx));
}

}  // namespace

std::optional<CommandResult> RunCentreOps(ManagerContext& ctx, const std::vector<std::string>& w,
                                          bool as_json) {
    if (w.size() < 2) return OpsBad("centre needs an operation");
    OpsWords o;
    std::string why;
    if (!SplitOpsWords(w, 2, {"--name", "--number", "--validity"}, &o, &why)) return OpsBad(why);
    const std::string& op = w[1];
    if (op == "list") return List(ctx, as_json);
    if (op == "default") {
        const bool ok = ApplySimDefault(ctx);
        if (ok) WriteManagerValue(ctx.registry, kValueUseDefCentre, "On");
        return OpsDone(ok);
    }
    MessagesPage page = OpenMessagesPage(ctx);
    if (op == "new") {
        const int index = BeginNewProfile(ctx);
        return index < 0 ? OpsDone(false) : Edit(ctx, page, index, o);
    }
    int row = 0;
    if (o.plain.size() != 1 || !ParseInt(o.plain[0], &row) || row < 1 ||
        row > static_cast<int>(page.rows.size()))
        return OpsBad("centre " + op + " needs the row of a listed profile");
    page.marked = row - 1;
    if (op == "edit") return Edit(ctx, page, row - 1, o);
    if (op == "delete" || op == "select") {
        if (op == "delete") DeleteMarkedProfile(ctx, page);
        if (op == "select") SelectMarkedProfile(ctx, page);
        CloseMessagesPage(ctx, page);
        return OpsDone(true);
    }
    if (op == "apply") {
        // As the "Options" dialog; the choice is kept as "Messages" would keep it.
        const bool ok = ApplyProfile(ctx, row - 1);
        if (ok) WriteManagerValue(ctx.registry, kValueUseDefCentre, "Off");
        return OpsDone(ok);
    }
    return OpsBad("unknown centre operation " + op);
}

}  // namespace qmx2::manager::ctl
