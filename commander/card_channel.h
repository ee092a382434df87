// The commander's way to the card: one AT command transaction per call, each opening and
// closing the card's port. The program plugs in the shared transaction; tests plug in a card.
#pragma once

#include <string>
#include <string_view>

namespace qmx2::commander {

inline constexpr std::string_view kCommFailure = "Comm failure(";

class CardChannel {
public:
    virtual ~CardChannel() = default;
    // The collected reply (echo included), or a text beginning "Comm failure(". Every time-out
    // the commander uses is below 60 s, as its transaction counts seconds within the minute.
    virtual std::string Send(std::string_view command, std::string_view expected,
                             int timeout_s) = 0;
};

inline bool Holds(std::string_view text, std::string_view part) {
    return text.find(part) != std::string_view::npos;
}

}  // namespace qmx2::commander
