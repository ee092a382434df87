// The start-up sequence and the card settings report.
#include "manager/core/startup_sequence.h"

#include <string>

#include "common/data_call.h"
#include "common/operator_replies.h"
#include "common/text_utils.h"
#include "manager/core/polling.h"
#include "manager/phonebook/cpbr_parser.h"
#include "manager/settings/operator_table.h"
#include "manager/store/data_files.h"
#include "manager/store/settings_registry.h"

namespace qmx2::manager {
namespace {

constexpr auto npos = std::string_view::npos;

bool Holds(std::string_view reply, std::string_view what) { return reply.find(what) != npos; }
bool OkTerminated(std::string_view reply) { return Holds(reply, "\r\nOK\r\n"); }

void Tell(ManagerContext& ctx, platform::WideView text) {
    ctx.ui.ShowMessage(kCaption, text, Buttons::kOk, true);
}

bool SizeMessageMemory(ManagerContext& ctx) {
    for (int i = 0; i < kSizeTries; ++i) {
        const std::string_view reply =
            common::SendAtCommand(ctx.channel, "AT+CPMS=\"SM\",\"SM\",\"SM\"", "+CPMS", 5);
        const int slots = OkTerminated(reply) ? ParseMessageSlots(reply) : -1;
        if (slots >= 0) {
            ctx.sim_message_slots = slots < kMaxSimMessageSlots ? slots : kMaxSimMessageSlots;
            ctx.sim_messages_used = ParseMessagesUsed(reply);
            return true;
        }
        ctx.clock.SleepMs(kSizeRetryMs);
    }
    Tell(ctx, kNoSimMemorySize);
    return false;
}

void TakeBookSize(PhoneBook& book, const BookSize& size) {
    const int entries = size.entries < kMaxBookSize ? size.entries : kMaxBookSize;
    book.entries.assign(static_cast<std::size_t>(entries), PhonebookEntry{});
    book.number_width = size.number_width < kMaxNumberWidth ? size.number_width : kMaxNumberWidth;
    book.name_width = size.name_width < kMaxNameWidth ? size.name_width : kMaxNameWidth;
}

bool SizeSimBook(ManagerContext& ctx, BookSize* size) {
    for (int i = 0; i < kSizeTries; ++i) {
        common::SendAtCommand(ctx.channel, "AT+CPBS=\"SM\"", "+CPBS", 10);
        const std::string_view reply = common::SendAtCommand(ctx.channel, "AT+CPBR=?", "+CPBR", 5);
        if (OkTerminated(reply)) {
            *size = ParseBookSize(reply);
            return true;
        }
        ctx.clock.SleepMs(kSizeRetryMs);
    }
    Tell(ctx, kNoSimBookSize);
    return false;
}

bool SizeCardBook(ManagerContext& ctx, BookSize* size) {
    common::SendAtCommand(ctx.channel, "AT+CPBS=\"ME\"", "+CPBS", 10);
    const std::string_view reply = common::SendAtCommand(ctx.channel, "AT+CPBR=?", "+CPBR", 10);
    if (!OkTerminated(reply)) {
        Tell(ctx, kNoCardBookSize);
        return false;
    }
    *size = ParseBookSize(reply);
    return true;
}

bool WaitForOperator(ManagerContext& ctx) {
    for (int i = 0; i < kOperatorTries; ++i) {
        const std::string name =
            OperatorNameFromReply(ctx, common::SendAtCommand(ctx.channel, "AT+COPS?", "+COPS", 10));
        if (!name.empty()) {
            SetCurrentOperator(ctx, name);
            RefreshSignalBars(ctx);
            return true;
        }
        ctx.clock.SleepMs(kOperatorRetryMs);
    }
    Tell(ctx, kNoCurrentOperator);
    return false;
}

// The centre number goes between quotes into a command: only dialable characters pass.
void SetMessageCentre(ManagerContext& ctx) {
    char number[sizeof ctx.profiles[0].centre_number] = "";
    if (!ctx.default_centre) {
        const std::string centre(FieldText(ctx.profiles[0].centre_number));
        common::DialableDigits(centre.c_str(), number, sizeof number);
    }
    const std::string command = std::string("AT+CSCA=\"") + number + "\"";
    common::SendAtCommand(ctx.channel, command, "+CSCA", 10);
}

}  // namespace

int ParseMessageSlots(std::string_view reply) {
    const std::size_t head = reply.find("+CPMS:");
    if (head == npos) return -1;
    const std::size_t c1 = reply.find(',', head + 6);
    if (c1 == npos) return -1;
    const std::size_t c2 = reply.find(',', c1 + 1);
    if (c2 == npos) return -1;
    int slots = 0;
    for (std::size_t i = c1 + 1; i < c2; ++i) {
        const char c = reply[i];
        if (c >= '0' && c <= '9' && slots < kMaxSimMessageSlots * 10) slots = slots * 10 + (c - '0');
    }
    return slots;
}

int ParseMessagesUsed(std::string_view reply) {
    const std::size_t head = reply.find("+CPMS:");
    if (head == npos) return 0;
    int used = 0;
    for (std::size_t i = head + 6; i < reply.size() && reply[i] != ',' && reply[i] != '\r'; ++i) {
        const char c = reply[i];
        if (c >= '0' && c <= '9' && used < kMaxSimMessageSlots * 10) used = used * 10 + (c - '0');
    }
    return used;
}

std::string ParseOperatorCode(std::string_view reply) {
    const std::size_t at = reply.find(",2,");
    if (at == npos || Holds(reply, "00000")) return {};
    std::size_t end = reply.find('\r', at + 3);
    if (end == npos) end = reply.size();
    std::string code;
    for (char c : reply.substr(at + 3, end - (at + 3))) {
        if (c == ',') break;  // standard modems add the access technology: "310260",7
        if (c != '"' && code.size() < 16) code.push_back(c);
    }
    return code;
}

std::string OperatorNameFromReply(ManagerContext& ctx, std::string_view reply) {
    const std::string code = ParseOperatorCode(reply);
    if (!code.empty()) {
        ctx.operators.table = kOperatorTable;
        return common::LookUpOperatorName(ctx.operators, code.c_str());
    }
    const std::optional<common::CurrentOperatorReply> named =
        common::ParseCurrentOperatorReply(reply);
    if (!named || (named->format != 0 && named->format != 1)) return {};
    return named->oper;
}

void ReadStartupSettings(ManagerContext& ctx) {
    ctx.default_centre = true;
    const auto flag = ReadManagerValue(ctx.registry, kValueStartUpFlag);
    const auto centre = ReadManagerValue(ctx.registry, kValueUseDefCentre);
    if (centre && *centre == "Off") ctx.default_centre = false;
    if (flag && *flag == "Off") return;
    const bool dont_show = ctx.ui.ShowStartupNote();
    WriteManagerValue(ctx.registry, kValueStartUpFlag, dont_show ? "Off" : "On");
}

bool RunStartupSequence(ManagerContext& ctx) {
    common::SendAtCommand(ctx.channel, "ATE1", "OK", 2);
    if (!SizeMessageMemory(ctx)) return false;
    BookSize sim, card;
    if (!SizeSimBook(ctx, &sim)) return false;
    if (!SizeCardBook(ctx, &card)) return false;
    if (!WaitForOperator(ctx)) return false;
    {
        std::lock_guard lock(ctx.tables);
        ctx.messages.Allocate(ctx.sim_message_slots);
        TakeBookSize(ctx.books.sim, sim);
        TakeBookSize(ctx.books.card, card);
        ctx.books.pda.entries.assign(kHandheldBookSize, PhonebookEntry{});
        ctx.books.pda.number_width = kMaxNumberWidth;
        ctx.books.pda.name_width = kMaxNameWidth;
    }
    LoadDataFiles(ctx);
    if (ctx.options.speed >= 0 && ctx.options.speed < common::kDataCallSpeeds)
        SetSpeedLines(ctx.monitor, ctx.options.speed);
    SetMessageCentre(ctx);
    return true;
}

void ReportCardSettings(ManagerContext& ctx) {
    struct Query {
        const char* command;
        const char* on_text;
        uint32_t on, off;
    };
    static constexpr Query kQueries[] = {
        {"AT+CLCK=\"PS\",2", "+CLCK: 1", kMsgPhoneLockOn, kMsgPhoneLockOff},
        {"AT+COPS?", "+COPS: 0", kMsgOperatorAuto, kMsgOperatorManual},
        {"AT+CLCK=\"SC\",2", "+CLCK: 1", kMsgPinRequestOn, kMsgPinRequestOff},
    };
    for (const Query& q : kQueries) {
        const bool on = Holds(common::SendAtCommand(ctx.channel, q.command, "OK", 10), q.on_text);
        ctx.peers.SendToCommander(on ? q.on : q.off);
    }
}

}  // namespace qmx2::manager
