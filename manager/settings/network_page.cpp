// Network page behaviour.
#include "manager/settings/network_page.h"

#include "manager/core/polling.h"

namespace qmx2::manager {
namespace {

void Tell(ManagerContext& ctx, std::u16string_view text) {
    ctx.ui.ShowMessage(kCaption, text, Buttons::kOk, true);
}

void Gray(NetworkPage& page) {
    page.list_enabled = page.search_enabled = page.request_enabled = false;
}

void Search(ManagerContext& ctx, NetworkPage& page) {
    PausePolling(ctx, kStatePaused);
    const int r = SearchOperators(ctx, page.found);
    ResumePolling(ctx);
    if (r == -1) return Tell(ctx, kSearchPortBusy);
    if (r == 0) return Tell(ctx, kNetworkError);
    page.list.clear();
    page.selected = -1;
    page.request_enabled = false;
    for (const FoundOperator& f : page.found) {
        if (f.status < kOperatorUnknown || f.status > kOperatorForbidden) continue;
        page.list.emplace_back(FieldText(f.name));
        if (f.status == kOperatorCurrent) page.current_network = FieldText(f.name);
    }
}

void MakeCurrent(ManagerContext& ctx, NetworkPage& page, const std::string& name) {
    page.current_network = name;
    SetCurrentOperator(ctx, name);
}

void Request(ManagerContext& ctx, NetworkPage& page) {
    if (page.selected < 0 || page.selected >= static_cast<int>(page.list.size())) return;
    const std::string text = page.list[static_cast<std::size_t>(page.selected)];
    if (text.empty()) return;
    FoundOperator* previous = nullptr;
    for (FoundOperator& f : page.found) {
        if (f.status != kOperatorCurrent) continue;
        f.status = kOperatorAvailable;
        previous = &f;
    }
    for (FoundOperator& f : page.found)
        if (!FieldEmpty(f.name) && text.find(FieldText(f.name)) != std::string::npos)
            f.status = kOperatorCurrent;
    MakeCurrent(ctx, page, text);
    PausePolling(ctx, kStatePaused);
    const bool ok = RequestOperator(ctx, page.found);
    ResumePolling(ctx);
    if (ok) return;
    Tell(ctx, kRequestFails);
    if (!previous) return;
    previous->status = kOperatorCurrent;
    MakeCurrent(ctx, page, std::string(FieldText(previous->name)));
}

}  // namespace

NetworkPage OpenNetworkPage(ManagerContext& ctx) {
    NetworkPage page;
    page.current_network = CurrentOperatorCopy(ctx);
    PausePolling(ctx, kStatePaused);
    const std::string reply(common::SendAtCommand(ctx.channel, "AT+COPS?", "OK", 10));
    ResumePolling(ctx);
    if (reply.find("+COPS: 0") != std::string::npos) {
        page.automatic = true;
        Gray(page);
    } else {
        page.automatic = false;
        page.list_enabled = page.search_enabled = true;
        page.one_time = true;
    }
    return page;
}

void NetworkPageCommand(ManagerContext& ctx, NetworkPage& page, NetworkCommand command) {
    if (command == NetworkCommand::kAutomatic) page.automatic = true;
    if (command == NetworkCommand::kSelectFromList) page.automatic = false;
    page.request_enabled = page.selected >= 0 &&
                           page.selected < static_cast<int>(page.list.size()) &&
                           !page.list[static_cast<std::size_t>(page.selected)].empty();
    if (page.automatic && command == NetworkCommand::kAutomatic) {
        PausePolling(ctx, kStatePaused);
        const std::string reply(common::SendAtCommand(ctx.channel, "AT+COPS=0", "OK", 30));
        ResumePolling(ctx);
        if (reply.find("OK") == std::string::npos) return Tell(ctx, kAutomaticRefused);
        Gray(page);
    } else if (!page.automatic) {
        page.list_enabled = page.search_enabled = true;
        if (command == NetworkCommand::kSelectFromList && page.list.empty())
            command = NetworkCommand::kSearch;
    }
    if (page.one_time) {
        page.one_time = false;
        page.current_network = CurrentOperatorCopy(ctx);
        return;
    }
    if (command == NetworkCommand::kSearch) Search(ctx, page);
    if (command == NetworkCommand::kRequest && !page.automatic) Request(ctx, page);
}

}  // namespace qmx2::manager
