// Bringing the card to the ready state: waiting for its port, checking that it answers, asking
// for whatever access code it demands, configuring it and reading back the three settings the
// tray menu shows. Also the commander's code dialogs. Runs on the window thread only.
#pragma once

#include <optional>
#include <string>

#include "commander/access_code.h"
#include "commander/card_channel.h"
#include "commander/ui.h"

namespace qmx2::platform {
class Clock;
}

namespace qmx2::commander {

// What card initialisation works with; all references outlive the calls.
struct CardSession {
    platform::Clock& clock;
    CommanderUi& ui;
    CardChannel& at;
};

// Whether the card's port can be had right now (opened exclusively and closed again).
class PortProbe {
public:
    virtual ~PortProbe() = default;
    virtual bool TryOpen() = 0;
};

// The three settings read back at the end of an initialisation.
struct CardMarks {
    bool phone_lock = false;          // "Security level - Phone", else "- None"
    bool automatic_operator = false;  // "Automatic", else "Manual"
    bool pin_request = false;         // "Pin code request" checked
};

struct PukEntry {
    std::string puk;
    std::string new_pin;
};

// Waits a second between tries and asks Retry/Cancel after every 11 failed waits; after
// Cancel the port is tried once more. true when the port is free.
bool WaitForFreePort(CardSession& session, PortProbe& port);

// Precondition: the card reports power on. On failure the user has been told why, except
// after a cancelled code dialog.
std::optional<CardMarks> InitialiseCard(CardSession& session);

// The single-code dialog of `kind`; the entered code, or nothing on Cancel.
std::optional<std::string> AskForCode(CardSession& session, CodeKind kind);

// The PUK dialog (PUK2 wording when puk2); nothing on Cancel.
std::optional<PukEntry> AskForPuk(CardSession& session, bool puk2);

// The change-code dialog from "Change Pin code", run to its end.
void ChangeAccessCode(CardSession& session);

// Shows `text` titled "QMX2 commander", owned by the commander window, in the foreground,
// after removing the wait cursor.
void TellUser(CardSession& session, std::string_view text);

}  // namespace qmx2::commander
