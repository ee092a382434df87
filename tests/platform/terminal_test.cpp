// Hidden typing on a terminal: a pseudo-terminal stands in for the person's.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <termios.h>
#include <unistd.h>

#include "platform/terminal.h"

namespace {

bool Echoes(int fd) {
    termios t{};
    tcgetattr(fd, &t);
    return (t.c_lflag & ECHO) != 0;
}

TEST(TerminalTest, TypingIsHiddenWhileACodeIsAskedAndShownAgainAfter) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0);
    ASSERT_EQ(grantpt(master), 0);
    ASSERT_EQ(unlockpt(master), 0);
    const int terminal = open(ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0);
    ASSERT_TRUE(Echoes(terminal));
    {
        qmx2::platform::HiddenTyping hidden(terminal);
        EXPECT_TRUE(hidden.active());
        EXPECT_FALSE(Echoes(terminal));
        termios t{};
        tcgetattr(terminal, &t);
        EXPECT_NE(t.c_lflag & ICANON, 0u);  // still a line, ended by Enter
    }
    EXPECT_TRUE(Echoes(terminal));

    int pipe_ends[2];
    ASSERT_EQ(pipe(pipe_ends), 0);
    EXPECT_FALSE(qmx2::platform::HiddenTyping(pipe_ends[0]).active());  // not a terminal
    for (int fd : {terminal, master, pipe_ends[0], pipe_ends[1]}) close(fd);
}

}  // namespace
