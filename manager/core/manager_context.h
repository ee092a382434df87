// The state of one running phone manager, shared by the window thread and the polling worker:
// the card channel, the sizes learnt at start-up, the tables, the monitor and the worker's
// state. Built once per manager (a test builds as many as it needs).
#pragma once

#include <atomic>
#include <mutex>
#include <string>

#include "common/at_transaction.h"
#include "common/operator_names.h"
#include "manager/core/manager_ui.h"
#include "manager/messages/message_record.h"
#include "manager/monitor/monitor.h"
#include "manager/phonebook/phonebook_entry.h"
#include "manager/store/data_folder.h"
#include "manager/store/local_records.h"
#include "platform/sync.h"

namespace qmx2::platform {
class Registry;
}

namespace qmx2::manager {

// Worker states: 1 and 17 are paused (for a user action; window closed or destroyed), 2 is a
// polling pass, 5, 6 and 7 load the SIM book, the card's book and the messages.
inline constexpr int kStatePaused = 1;
inline constexpr int kStateClosed = 17;
inline constexpr int kStatePolling = 2;
inline constexpr int kStateLoadSimBook = 5;
inline constexpr int kStateLoadCardBook = 6;
inline constexpr int kStateLoadMessages = 7;

// Load position values besides the SIM index being read.
inline constexpr int kLoadNothing = -1;
inline constexpr int kLoadKeepNotice = -2;

struct ManagerServices {
    platform::Clock& clock;
    platform::Devices& devices;
    platform::Registry& registry;
    DataFolder& folder;
    ManagerUi& ui;
    PeerWindows& peers;
};

struct ManagerContext {
    explicit ManagerContext(const ManagerServices& s)
        : clock(s.clock), devices(s.devices), registry(s.registry), folder(s.folder), ui(s.ui),
          peers(s.peers), channel(s.devices, s.clock), worker_event(s.clock, false, false) {}
    ManagerContext(const ManagerContext&) = delete;
    ManagerContext& operator=(const ManagerContext&) = delete;

    platform::Clock& clock;
    platform::Devices& devices;
    platform::Registry& registry;
    DataFolder& folder;
    ManagerUi& ui;
    PeerWindows& peers;
    common::AtChannel channel;  // the port name inside is the card port name

    // Sizes learnt by the start-up sequence; the books carry their own widths.
    int sim_message_slots = 0;
    int sim_messages_used = 0;  // the first number of the same "+CPMS:" reply
    MessageTable messages;
    PhoneBooks books;
    MessageCentreProfile profiles[kProfiles] = {};
    OptionBlock options = {};
    bool default_centre = true;

    MonitorState monitor;
    std::string operator_name_copy;  // for the network settings page
    common::OperatorLookup operators{nullptr, {}};

    // The worker and the pause protocol.
    std::atomic<int> worker_state{kStatePaused};
    platform::Event worker_event;
    std::atomic<bool> sim_book_loaded{false};
    std::atomic<bool> card_book_loaded{false};
    std::atomic<bool> messages_loaded{false};
    std::atomic<bool> stop_worker{false};  // ends the worker's loop (program end, tests)
    // Set by a program that does its own loads (qmx2ctl): start-up leaves the worker paused, so
    // the card gets no polling and no background load beside the command's own traffic.
    bool worker_stays_paused = false;
    std::atomic<int> passes{0};            // polling passes completed

    // Shared with the message window.
    std::atomic<int> load_position{0};
    std::atomic<bool> memory_full{false};
    bool hidden = false;

    // Held while records and entries are written or a view reads them, so a window that
    // rebuilds a folder during a background load never reads half a record.
    std::mutex tables;
};

}  // namespace qmx2::manager
