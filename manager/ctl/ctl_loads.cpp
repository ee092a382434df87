// The loads of the polling worker, done for one qmx2ctl command on its own thread.
#include "manager/ctl/ctl_loads.h"

#include "manager/messages/message_load.h"
#include "manager/phonebook/book_read.h"

namespace qmx2::manager::ctl {
namespace {

constexpr uint32_t kRetryMs = 1000;  // as the worker's next pass would

template <typename Load>
bool Retried(ManagerContext& ctx, std::atomic<bool>& done, platform::FunctionRef<bool()> keep_going,
             Load load) {
    while (!done && keep_going()) {
        done = load();
        if (!done && keep_going()) ctx.clock.SleepMs(kRetryMs);
    }
    return done;
}

}  // namespace

CtlLoads LoadsFor(const std::vector<std::string>& command) {
    const std::string& verb = command.empty() ? std::string() : command[0];
    const std::string op = command.size() > 1 ? command[1] : std::string();
    const std::string book = command.size() > 2 ? command[2] : std::string();
    if (verb == "status" || verb == "net" || verb == "security" || verb == "centre" ||
        verb == "speed" || verb == "monitor")
        return {};
    if (verb == "pb" && op == "list") return {book == "SIM", book == "Card", false};
    if (verb == "pb") return {true, true, false};
    if (verb == "sms" && op == "list") return {false, false, true};
    return {true, true, true};
}

bool RunLoads(ManagerContext& ctx, const CtlLoads& loads, platform::FunctionRef<bool()> keep_going) {
    if (loads.sim_book &&
        !Retried(ctx, ctx.sim_book_loaded, keep_going, [&] { return ReadSimBook(ctx, keep_going); }))
        return false;
    if (loads.card_book &&
        !Retried(ctx, ctx.card_book_loaded, keep_going, [&] { return ReadCardBook(ctx, keep_going); }))
        return false;
    if (loads.messages &&
        !Retried(ctx, ctx.messages_loaded, keep_going, [&] { return LoadAllMessages(ctx, keep_going); }))
        return false;
    if (loads.sim_book || loads.card_book || loads.messages) ResolveSenderNames(ctx);
    return true;
}

}  // namespace qmx2::manager::ctl
