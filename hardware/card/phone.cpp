// The phone's public face: forwards to the engine.
#include "hardware/card/phone.h"

#include "hardware/card/phone_engine.h"

namespace qmx2::hardware::card {

Phone::Phone(platform::Clock& clock, CardScenario scenario)
    : engine_(std::make_unique<PhoneEngine>(clock, std::move(scenario))) {}
Phone::~Phone() = default;

void Phone::Receive(std::span<const uint8_t> bytes) { engine_->Receive(bytes); }
std::optional<uint64_t> Phone::NextByteTick() const { return engine_->NextByteTick(); }
size_t Phone::Transmit(std::span<uint8_t> out, uint64_t now_ms) { return engine_->Transmit(out, now_ms); }
size_t Phone::QueuedBytes() const { return engine_->QueuedBytes(); }
void Phone::DropOutput() { engine_->DropOutput(); }
void Phone::SetOutputListener(std::function<void()> l) { engine_->SetOutputListener(std::move(l)); }
void Phone::SetPowered(bool on) { engine_->SetPowered(on); }
bool Phone::powered() const { return engine_->powered(); }
bool Phone::DeliverMessage(const std::string& number, const std::string& text) {
    return engine_->DeliverMessage(number, text);
}
void Phone::SetSignal(int rssi) { engine_->SetSignal(rssi); }
bool Phone::SetOperator(const std::string& code) { return engine_->SetOperator(code); }
int Phone::FillMemory() { return engine_->FillMemory(); }
void Phone::RemoteHangUp() { engine_->RemoteHangUp(); }
const std::vector<SentMessage>& Phone::sent_messages() const { return engine_->sent; }
const SimState& Phone::sim() const { return engine_->scenario.sim; }
SimState& Phone::sim() { return engine_->scenario.sim; }
const CardScenario& Phone::scenario() const { return engine_->scenario; }
uint64_t Phone::commands_handled() const { return engine_->commands; }

}  // namespace qmx2::hardware::card
