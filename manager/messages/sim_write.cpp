// AT+CMGW="number",type,"STO UNSENT", the text with Ctrl-Z, then AT+CPMS?.
#include "manager/messages/sim_write.h"

#include <charconv>
#include <mutex>
#include <optional>

#include "manager/core/polling.h"
#include "manager/messages/clipboard.h"
#include "manager/messages/message_slots.h"
#include "manager/messages/message_text.h"
#include "manager/messages/send.h"

namespace qmx2::manager {
namespace {

// The number after "+CMGW:" up to the next CR, or -1: a modem that numbers from 0 may give 0.
int NewIndex(std::string_view reply) {
    const std::size_t at = reply.find("+CMGW:");
    if (at == std::string_view::npos) return -1;
    std::string_view rest = reply.substr(at + 6);
    rest = rest.substr(0, rest.find('\r'));
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    int index = 0;
    const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), index);
    return ec == std::errc() && end == rest.data() + rest.size() ? index : -1;
}

// The table position of the index the card gave, or nothing.
std::optional<int> Exchange(ManagerContext& ctx, const MessageRecord& record, const std::string& number) {
    SelectTextMode(ctx);
    const std::string command =
        std::string("AT+CMGW=\"") + number + "\"," + NumberType(number) + ",\"STO UNSENT\"";
    common::SendAtCommand(ctx.channel, command, "", kPromptTimeoutS);
    std::string data = CardMessageText(FieldText(record.text));
    data.push_back('\x1A');
    const std::string_view reply =
        common::SendAtRaw(ctx.channel, data.data(), data.size(), "OK", kTextTimeoutS);
    if (reply.find("\r\nOK\r\n") == std::string_view::npos) return std::nullopt;
    const int index = NewIndex(reply);
    if (index < 0) return std::nullopt;
    std::lock_guard lock(ctx.tables);
    const int position = ctx.messages.PositionOf(index);
    if (!ctx.messages.IsSimSlot(position)) return std::nullopt;
    return position;
}

}  // namespace

bool SimMemoryFull(std::string_view reply, int sim_slots) {
    if (reply.find("\r\nOK\r\n") == std::string_view::npos) return false;
    const std::string full = "\"SM\"," + std::to_string(sim_slots) + "," +
                             std::to_string(sim_slots) + ",";
    return reply.find(full) != std::string_view::npos;
}

std::optional<int> WriteRecordToSim(ManagerContext& ctx, const MessageRecord& record) {
    // Only dialable characters reach the quoted argument.
    const std::string number = ReducedNumber(FieldText(record.number));
    PausePolling(ctx, kStatePaused);
    const std::optional<int> position = Exchange(ctx, record, number);
    if (!position) {
        ResumePolling(ctx);
        ctx.ui.ShowMessage(kCaption, kSimFull, Buttons::kOk, true);
        return std::nullopt;
    }
    MessageRecord r{};
    SetField(r.name, FieldText(record.name));
    SetField(r.time_stamp, SentStamp(ctx.clock.LocalTime()));
    SetField(r.number, number);
    SetField(r.number_type, NumberType(number));
    SetField(r.text, FieldText(record.text));
    SetField(r.status, "STO UNSENT");
    {
        std::lock_guard lock(ctx.tables);
        StoreInSlot(ctx.messages, *position, r);
    }
    const char* cpms = common::SendAtCommand(ctx.channel, "AT+CPMS?", "+CPMS", 1);
    ctx.memory_full = SimMemoryFull(cpms, ctx.messages.sim_slots);
    ResumePolling(ctx);
    ctx.ui.RefreshMessageWindow();
    return position;
}

}  // namespace qmx2::manager
