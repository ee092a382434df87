// Card initialisation: free port, "AT" check, the "AT+CPIN?" state machine, configuration.
#include "commander/card_init.h"

#include "commander/card_state.h"
#include "commander/character_set.h"
#include "platform/clock.h"

namespace qmx2::commander {
namespace {

constexpr std::string_view kOk = "\r\nOK\r\n";
constexpr int kAnswerTries = 11;
constexpr int kErrorLimit = 10;
constexpr int kWaitsBeforeAsking = 11;

bool Answers(std::string_view reply) {
    const size_t echo = reply.find("AT");
    return echo != std::string_view::npos && reply.find(kOk, echo + 2) != std::string_view::npos;
}

bool CardAnswers(CardSession& s) {
    for (int attempt = 1;; ++attempt) {
        if (Answers(s.at.Send("AT", "OK", 1))) return true;
        if (attempt == kAnswerTries) return false;
        s.clock.SleepMs(1000);
    }
}

std::optional<CardMarks> Fail(CardSession& s, std::string_view text) {
    TellUser(s, text);
    return std::nullopt;
}

// Sends a code command; the card's verdict is only shown, the caller asks the state again.
void SendCode(CardSession& s, const std::string& command, bool sendable) {
    s.ui.SetWaitCursor(true);
    if (!sendable || !Holds(s.at.Send(command, "+CPIN", 5), kOk))
        TellUser(s, "Code validation failed.");
}

std::string QuotedCommand(std::string_view head, std::string_view a) {
    return std::string(head) + "\"" + std::string(a) + "\"";
}

CodeKind KindFor(CardState state) {
    switch (state) {
        case CardState::kSimPin2: return CodeKind::kSimPin2;
        case CardState::kPhSimPin: return CodeKind::kSecurityCode;
        case CardState::kPhFsimPin: return CodeKind::kPhFsimPin;
        case CardState::kPhFsimPuk: return CodeKind::kPhFsimPuk;
        case CardState::kPhNetPin: return CodeKind::kPhNetPin;
        case CardState::kPhNetPuk: return CodeKind::kPhNetPuk;
        default: return CodeKind::kSimPin;
    }
}

// A modem that refuses "8859-1" (most of today's do not offer it) gets the closest set it lists
// in its answer to "AT+CSCS=?". The card accepts "8859-1" and never gets here.
bool SelectOfferedCharacterSet(CardSession& s) {
    const std::optional<std::string> set =
        PickCharacterSet(ParseCharacterSets(s.at.Send("AT+CSCS=?", "+CSCS", 5)));
    return set && Holds(s.at.Send("AT+CSCS=\"" + *set + "\"", "+CSCS", 5), kOk);
}

std::optional<CardMarks> Configure(CardSession& s) {
    struct Step {
        std::string_view command, expected, failure;
    };
    static constexpr Step kSteps[] = {
        {"AT+CSCS=\"8859-1\"", "+CSCS", "Set character set failed."},
        {"AT+CMGF=1", "+CMGF", "Set text mode failed."},
        {"AT+CNMI=0,0,0,0,0", "+CNMI", "Route in message."},
    };
    for (const Step& step : kSteps) {
        if (Holds(s.at.Send(step.command, step.expected, 5), kOk)) continue;
        if (step.command.starts_with("AT+CSCS") && SelectOfferedCharacterSet(s)) continue;
        return Fail(s, step.failure);
    }

    CardMarks marks;
    marks.phone_lock = Holds(s.at.Send("AT+CLCK=\"PS\",2", kOk, 10), "+CLCK: 1");
    marks.automatic_operator = Holds(s.at.Send("AT+COPS?", kOk, 10), "+COPS: 0");
    marks.pin_request = Holds(s.at.Send("AT+CLCK=\"SC\",2", kOk, 10), "+CLCK: 1");
    return marks;
}

}  // namespace

void TellUser(CardSession& s, std::string_view text) {
    s.ui.SetWaitCursor(false);
    s.ui.ShowMessage({text, kCommanderTitle, MessageOwner::kCommanderWindow, true});
}

bool WaitForFreePort(CardSession& s, PortProbe& port) {
    if (port.TryOpen()) return true;
    for (int failed = 1;; ++failed) {
        s.clock.SleepMs(1000);
        if (port.TryOpen()) return true;
        if (failed % kWaitsBeforeAsking != 0) continue;
        s.ui.SetWaitCursor(false);
        const MessageAnswer answer = s.ui.ShowMessage(
            {"The communication port is opend by other application, cannot initialize pellion.",
             kCommanderTitle, MessageOwner::kCommanderWindow, true, MessageButtons::kRetryCancel});
        if (answer != MessageAnswer::kRetry) return port.TryOpen();
        s.ui.SetWaitCursor(true);
    }
}

std::optional<CardMarks> InitialiseCard(CardSession& s) {
    s.at.Send("ATE1", "OK", 2);
    if (!CardAnswers(s))
        return Fail(s, "Please make sure your Pellion 2.0\r\nis powered up and SIM card is inserted.");

    int errors = 0;
    for (;;) {
        const CardState state = ParseCardState(s.at.Send("AT+CPIN?", "+CPIN", 5));
        switch (state) {
            case CardState::kReady:
                return Configure(s);
            case CardState::kError:
                if (++errors == kErrorLimit)
                    return Fail(s, "SIM error, cannot initialize pellion.  Make sure SIM card is "
                                   "inserted in pellion.");
                s.clock.SleepMs(1000);
                break;
            case CardState::kUnexpected:
                return Fail(s, "Unexpected SIM response, cannot initialize pellion.  Make sure SIM "
                               "card is inserted in pellion.");
            case CardState::kSimPuk:
            case CardState::kSimPuk2: {
                const std::optional<PukEntry> entry = AskForPuk(s, state == CardState::kSimPuk2);
                if (!entry) return std::nullopt;
                SendCode(s,
                         QuotedCommand("AT+CPIN=", entry->puk) + "," + QuotedCommand("", entry->new_pin),
                         IsSendableCode(entry->puk) && IsSendableCode(entry->new_pin));
                break;
            }
            default: {
                const std::optional<std::string> code = AskForCode(s, KindFor(state));
                if (!code) return std::nullopt;
                SendCode(s, QuotedCommand("AT+CPIN=", *code), IsSendableCode(*code));
                break;
            }
        }
    }
}

std::optional<std::string> AskForCode(CardSession& s, CodeKind kind) {
    const CodeDialogText& text = CodeDialogTextFor(kind);
    platform::WideString typed;
    s.ui.SetWaitCursor(false);
    if (!s.ui.RunCodeDialog(text, &typed)) return std::nullopt;
    return TakeCode(typed, text.edit_limit);
}

std::optional<PukEntry> AskForPuk(CardSession& s, bool puk2) {
    const PukDialogText text{puk2 ? "Enter PUK2 code" : "Enter PUK code",
                             puk2 ? "Please enter PUK2 code:" : "Please enter PUK code:",
                             "Please enter new SIM PIN:", "Please re-enter SIM PIN:"};
    PukFields fields;
    s.ui.SetWaitCursor(false);
    for (;;) {
        if (!s.ui.RunPukDialog(text, &fields)) return std::nullopt;
        if (fields.new_pin == fields.reenter_pin)
            return PukEntry{TakeCode(fields.puk, kPukEditLimit), TakeCode(fields.new_pin, kPukEditLimit)};
        s.ui.ShowMessage({"SIM PIN not matched.", kCommanderTitle, MessageOwner::kNone});
    }
}

}  // namespace qmx2::commander
