// Whether a person is at the program's standard input, so that a program without windows can
// ask its questions there, and hidden typing for the codes it asks for.
#pragma once

namespace qmx2::platform {

bool StandardInputIsTerminal();

// While alive, what is typed on the terminal `fd` (standard input by default) is not shown;
// nothing happens when it is not a terminal. The old settings come back at the end.
class HiddenTyping {
public:
    explicit HiddenTyping(int fd = 0);
    ~HiddenTyping();
    HiddenTyping(const HiddenTyping&) = delete;
    HiddenTyping& operator=(const HiddenTyping&) = delete;

    bool active() const { return active_; }

private:
    int fd_;
    bool active_ = false;
    unsigned saved_flags_ = 0;
};

}  // namespace qmx2::platform
