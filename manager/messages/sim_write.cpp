// AT+CMGW="number",type,"STO UNSENT", the text with Ctrl-Z, then AT+CPMS?.
#include "manager/messages/sim_write.h"

#include <charconv>
#include <mutex>

#include "manager/core/polling.h"
#include "manager/messages/clipboard.h"
#include "manager/messages/message_slots.h"
#include "manager/messages/message_text.h"
#include "manager/messages/send.h"

namespace qmx2::manager {
namespace {

// The number after "+CMGW:" up to the next CR, or 0.
int NewIndex(std::string_view reply) {
    const std::size_t at = reply.find("+CMGW:");
    if (at == std::string_view::npos) return 0;
    std::string_view rest = reply.substr(at + 6);
    rest = rest.substr(0, rest.find('\r'));
    while (!rest.empty() && rest.front() == ' ') rest.remove_prefix(1);
    int index = 0;
    const auto [end, ec] = std::from_chars(rest.data(), rest.data() + rest.size(), index);
    return ec == std::errc() && end == rest.data() + rest.size() ? index : 0;
}

int Exchange(ManagerContext& ctx, const MessageRecord& record, const std::string& number) {
    SelectTextMode(ctx);
    const std::string command =
        std::string("AT+CMGW=\"") + number + "\"," + NumberType(number) + ",\"STO UNSENT\"";
    common::SendAtCommand(ctx.channel, command, "", kPromptTimeoutS);
    std::string data = CardMessageText(FieldText(record.text));
    data.push_back('\x1A');
    const std::string_view reply =
        common::SendAtRaw(ctx.channel, data.data(), data.size(), "OK", kTextTimeoutS);
    if (reply.find("\r\nOK\r\n") == std::string_view::npos) return 0;
    const int index = NewIndex(reply);
    return index >= 1 && index <= ctx.messages.sim_slots ? index : 0;
}

}  // namespace

bool SimMemoryFull(std::string_view reply, int sim_slots) {
    if (reply.find("\r\nOK\r\n") == std::string_view::npos) return false;
    const std::string full = "\"SM\"," + std::to_string(sim_slots) + "," +
                             std::to_string(sim_slots) + ",";
    return reply.find(full) != std::string_view::npos;
}

int WriteRecordToSim(ManagerContext& ctx, const MessageRecord& record) {
    // Only dialable characters reach the quoted argument.
    const std::string number = ReducedNumber(FieldText(record.number));
    PausePolling(ctx, kStatePaused);
    const int index = Exchange(ctx, record, number);
    if (index == 0) {
        ResumePolling(ctx);
        ctx.ui.ShowMessage(kCaption, kSimFull, Buttons::kOk, true);
        return 0;
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
        if (ctx.messages.IsSimSlot(ctx.messages.PositionOf(index)))
            StoreInSlot(ctx.messages, ctx.messages.PositionOf(index), r);
    }
    const char* cpms = common::SendAtCommand(ctx.channel, "AT+CPMS?", "+CPMS", 1);
    ctx.memory_full = SimMemoryFull(cpms, ctx.messages.sim_slots);
    ResumePolling(ctx);
    ctx.ui.RefreshMessageWindow();
    return index;
}

}  // namespace qmx2::manager
