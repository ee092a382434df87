// Building the emulated card for a device host.
#include "hardware/card/sim_card.h"

namespace qmx2::hardware::card {

std::unique_ptr<SimCard> MakeSimCard(platform::Clock& clock, const std::string& spec,
                                     const std::string& control_path, std::string* error) {
    CardScenario scenario = DefaultScenario();
    if (!spec.empty()) {
        if (spec[0] != '=' || spec.size() == 1) {
            *error = "expected sim or sim=SCENARIO.json, not sim" + spec;
            return nullptr;
        }
        ScenarioResult r = LoadScenario(spec.substr(1));
        if (!r.scenario) {
            *error = r.error;
            return nullptr;
        }
        scenario = std::move(*r.scenario);
    }
    auto card = std::make_unique<SimCard>();
    card->port = std::make_unique<CardPort>(clock, std::move(scenario));
    if (!control_path.empty()) {
        card->control = ControlServer::Start(*card->port, control_path, error);
        if (!card->control) return nullptr;
    }
    return card;
}

}  // namespace qmx2::hardware::card
