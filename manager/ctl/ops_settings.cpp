// qmx2ctl's "security", "net", "speed" and "monitor" commands.
#include <nlohmann/json.hpp>

#include "manager/core/polling.h"
#include "manager/ctl/ops_words.h"
#include "manager/settings/modem_page.h"
#include "manager/settings/network_page.h"
#include "manager/settings/security.h"

namespace qmx2::manager::ctl {

namespace {

using nlohmann::json;

CommandResult Show(bool as_json, const json& j, const std::string& text) {
    return {0, as_json ? j.dump(2) + "\n" : text};
}

CommandResult Security(ManagerContext& ctx, const std::vector<std::string>& w, bool as_json) {
    OpsWords o;
    std::string why;
    if (!SplitOpsWords(w, 2, {"--password", "--old", "--new"}, &o, &why)) return OpsBad(why);
    const std::string op = w.size() > 1 ? w[1] : "";
    if (op == "status") {
        const SecurityFields f = ReadSecurityStates(ctx);
        return Show(as_json, {{"security_level", f.level}, {"pin_request", f.pin_request}},
                    "Security level: " + f.level + "\nPIN code request: " + f.pin_request + "\n");
    }
    if ((op == "lock" || op == "pin-request") && o.plain.size() == 1) {
        const bool level = op == "lock";
        const std::string& want = o.plain[0];
        if (want != (level ? "None" : "Off") && want != (level ? "Phone" : "On"))
            return OpsBad(level ? "security lock needs None or Phone" : "security pin-request needs On or Off");
        ChoiceDialog d{want == "None" || want == "Off" ? 0 : 1, platform::FromUtf8(o.Named("--password"))};
        return OpsDone(level ? SecurityLevelOk(ctx, d) : PinRequestOk(ctx, d));
    }
    if (op == "change-code" && o.plain.size() == 1) {
        AccessCodesDialog d;
        const std::string& which = o.plain[0];
        if (which != "pin" && which != "pin2" && which != "security")
            return OpsBad("change-code needs pin, pin2 or security");
        ChooseAccessCode(d, which == "pin" ? AccessCode::kPin : which == "pin2" ? AccessCode::kPin2
                                                                                : AccessCode::kSecurity);
        d.old_code = platform::FromUtf8(o.Named("--old"));
        d.new_code = d.confirm = platform::FromUtf8(o.Named("--new"));
        return OpsDone(AccessCodesOk(ctx, d));
    }
    return OpsBad("unknown security operation");
}

CommandResult Net(ManagerContext& ctx, const std::vector<std::string>& w, bool as_json) {
    const std::string op = w.size() > 1 ? w[1] : "";
    NetworkPage page = OpenNetworkPage(ctx);
    if (op == "status" && w.size() == 2)
        return Show(as_json, {{"operator", Latin1ToUtf8(page.current_network)},
                              {"automatic", page.automatic}},
                    "Current network: " + TerminalLatin1(page.current_network) + "\nSelection: " +
                        (page.automatic ? "Automatic" : "Select from list") + "\n");
    if (op == "auto" && w.size() == 2) {
        NetworkPageCommand(ctx, page, NetworkCommand::kAutomatic);
        return OpsDone(!page.list_enabled);
    }
    if ((op == "search" && w.size() == 2) || (op == "select" && w.size() == 3)) {
        page.one_time = false;
        NetworkPageCommand(ctx, page, NetworkCommand::kSelectFromList);
        if (page.list.empty()) return OpsDone(false);
        if (op == "search") {
            json rows = json::array();
            std::string t;
            for (const FoundOperator& f : page.found) {
                if (FieldEmpty(f.code)) continue;
                rows.push_back({{"code", Latin1ToUtf8(FieldText(f.code))},
                                {"name", Latin1ToUtf8(FieldText(f.name))}, {"status", f.status}});
                t += TerminalLatin1(FieldText(f.code)) + "\t" + std::to_string(f.status) + "\t" +
                     TerminalLatin1(FieldText(f.name)) + "\n";
            }
            return Show(as_json, rows, t);
        }
        for (std::size_t i = 0; i < page.list.size(); ++i)
            if (!page.list[i].empty() && Latin1ToUtf8(page.list[i]) == w[2]) page.selected = static_cast<int>(i);
        if (page.selected < 0) return OpsDone(false, "no operator named " + w[2] + " in reach\n");
        NetworkPageCommand(ctx, page, NetworkCommand::kRequest);
        return OpsDone(Latin1ToUtf8(page.current_network) == w[2]);
    }
    return OpsBad("unknown net operation");
}

CommandResult Speed(ManagerContext& ctx, const std::vector<std::string>& w, bool as_json) {
    ModemPage page = OpenModemPage(ctx);
    if (w.size() == 2 && w[1] == "get")
        return Show(as_json, {{"method", common::DataCallMethodName(page.method)},
                              {"command", common::DataCallCommand({page.method, page.slider})},
                              {"lines", {page.receiving, page.sending}}},
                    std::string(common::DataCallMethodName(page.method)) + "\n" + page.receiving +
                        "\n" + page.sending + "\n");
    static const char* kMethods[] = {"modem", "v110", "v120"};
    static const char* kSpeeds[] = {"9.6", "14.4", "19.2", "28.8", "43.2"};
    if (w.size() != 4 || w[1] != "set") return OpsBad("speed get, or speed set METHOD SPEED");
    int method = -1, speed = -1;
    for (int i = 0; i < 3; ++i) method = w[2] == kMethods[i] ? i : method;
    for (int i = 0; i < 5; ++i) speed = w[3] == kSpeeds[i] ? i : speed;
    if (method < 0 || speed < 0) return OpsBad("METHOD is modem, v110 or v120; SPEED 9.6 to 43.2");
    page.method = method;
    MoveSpeedSlider(page, speed);
    CloseModemPage(ctx, page);
    return OpsDone(true);
}

CommandResult Monitor(ManagerContext& ctx, bool as_json) {
    const MonitorState m = MonitorSnapshot(ctx);
    json steps = json::array();
    for (const PaintStep& s : PaintMonitor(m)) {
        const char* kind = s.kind == PaintStep::kBackgroundImage ? "image"
                           : s.kind == PaintStep::kFillRect      ? "rect"
                                                                 : "text";
        steps.push_back({{"kind", kind}, {"box", {s.left, s.top, s.right, s.bottom}},
                         {"text", Latin1ToUtf8(s.text)}});
    }
    const std::string bars = std::string(static_cast<std::size_t>(m.signal_level), '|') +
                             std::string(static_cast<std::size_t>(4 - m.signal_level), '.');
    return Show(as_json, {{"signal_bars", m.signal_level}, {"operator", Latin1ToUtf8(m.operator_line)},
                          {"lines", {m.info_line1, m.info_line2}}, {"paint", steps}},
                "[" + bars + "] " + TerminalLatin1(m.operator_line) + "\n" + m.info_line1 + "\n" +
                    m.info_line2 + "\n");
}

}  // namespace

std::optional<CommandResult> RunSettingsOps(ManagerContext& ctx, const std::vector<std::string>& w,
                                            bool as_json) {
    if (w[0] == "centre") return RunCentreOps(ctx, w, as_json);
    if (w[0] == "security") return Security(ctx, w, as_json);
    if (w[0] == "net") return Net(ctx, w, as_json);
    if (w[0] == "speed") return Speed(ctx, w, as_json);
    if (w[0] == "monitor" && w.size() == 1) return Monitor(ctx, as_json);
    return std::nullopt;
}

}  // namespace qmx2::manager::ctl
