// Message entry after "AT+CMGS=" and "AT+CMGW": the "> " prompt, the text up to Ctrl-Z (sent or
// stored) or ESC (dropped), and what the card answers then.
#include "hardware/card/phone_engine.h"

namespace qmx2::hardware::card {
namespace {

constexpr uint8_t kCtrlZ = 26, kEscape = 27, kCr = 13, kBackspace = 8;
// A text-mode message holds 160 characters; longer texts are refused when they end.
constexpr size_t kMaxText = 160;
constexpr const char* kPrompt = "\r\n> ";

}  // namespace

Result PhoneEngine::SendMessage(const AtCommand& cmd) {
    if (cmd.form == CommandForm::kTest) return Result::Ok();
    if (cmd.form != CommandForm::kSet) return Result::Cms(302);
    auto args = SplitArgs(cmd.args);
    if (!args || args->empty() || args->size() > 2) return Result::Cms(302);
    const std::string& number = (*args)[0].text;
    if (!IsMessageNumber(number)) return Result::Cms(302);
    int type = number[0] == '+' ? 145 : 129;
    if (args->size() == 2 && (*args)[1].present) {
        auto t = ArgNumber((*args)[1], 128, 255);
        if (!t) return Result::Cms(302);
        type = *t;
    }
    entry_is_send_ = true;
    entry_number_ = number;
    entry_type_ = type;
    entry_text_.clear();
    entry_length_ = 0;
    mode_ = LineMode::kTextEntry;
    reply_ += kPrompt;
    return Result::Pending();
}

Result PhoneEngine::WriteMessage(const AtCommand& cmd) {
    if (cmd.form == CommandForm::kTest || cmd.form == CommandForm::kRead) return Result::Error();
    std::string number, status = "STO UNSENT";
    int type = 129;
    if (cmd.form == CommandForm::kSet) {
        auto args = SplitArgs(cmd.args);
        if (!args || args->empty() || args->size() > 3) return Result::Cms(302);
        number = (*args)[0].text;
        if (!number.empty() && !IsMessageNumber(number)) return Result::Cms(302);
        type = !number.empty() && number[0] == '+' ? 145 : 129;
        if (args->size() >= 2 && (*args)[1].present) {
            auto t = ArgNumber((*args)[1], 128, 255);
            if (!t) return Result::Cms(302);
            type = *t;
        }
        if (args->size() == 3) {
            status = Upper((*args)[2].text);
            if (status != "STO UNSENT" && status != "STO SENT" && status != "REC UNREAD" &&
                status != "REC READ")
                return Result::Cms(302);
        }
    }
    entry_is_send_ = false;
    entry_number_ = number;
    entry_type_ = type;
    entry_status_ = status;
    entry_text_.clear();
    entry_length_ = 0;
    mode_ = LineMode::kTextEntry;
    reply_ += kPrompt;
    return Result::Pending();
}

void PhoneEngine::TextEntryByte(uint8_t b) {
    if (b == kCtrlZ || b == kEscape) {
        FinishTextEntry(b == kEscape);
        return;
    }
    if (b == kBackspace) {
        if (!entry_text_.empty()) entry_text_.pop_back();
        if (entry_length_ > 0) --entry_length_;
        return;
    }
    if (b == kCr) {
        Emit(kPrompt, Now());
    } else if (session_.echo) {
        Emit(std::string_view(reinterpret_cast<const char*>(&b), 1), Now());
    }
    ++entry_length_;
    if (entry_text_.size() < kMaxText) entry_text_.push_back(static_cast<char>(b));
}

void PhoneEngine::FinishTextEntry(bool cancelled) {
    mode_ = LineMode::kCommand;
    reply_.clear();
    Result r = Result::Ok();
    if (cancelled) {
        // Nothing is sent or stored; the card confirms the end of the entry.
    } else if (entry_length_ > kMaxText) {
        r = Result::Cms(305);
    } else if (entry_is_send_) {
        const std::string centre = session_.centre.empty() ? sim().centre : session_.centre;
        if (!Registered()) {
            r = Result::Cms(331);
        } else if (centre.empty()) {
            r = Result::Cms(330);
        } else {
            message_reference_ = (message_reference_ + 1) % 256;
            sent.push_back({entry_number_, entry_type_, entry_text_, message_reference_, Now()});
            Info("+CMGS: " + std::to_string(message_reference_));
            r.delay_ms = scenario.delays.sms_send_ms;
        }
    } else {
        const int index = FirstFreeMessage();
        if (index < 0) {
            r = Result::Cms(322);
        } else {
            sim().message_at(index) =
                StoredMessage{entry_status_, entry_number_, entry_type_, "", entry_text_};
            Info("+CMGW: " + std::to_string(index));
        }
    }
    entry_text_.clear();
    Final(r);
    Reply(reply_, r.delay_ms);
}

}  // namespace qmx2::hardware::card
