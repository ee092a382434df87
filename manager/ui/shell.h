// What tells the manager's two window shells apart. Every window and dialog is the same in both;
// the Pocket PC build (Qmx2PPC) puts the monitor's menus in a menu bar, the Handheld PC build
// (Qmx2HPC) in a command bar, on a larger main window and screen.
#pragma once

namespace qmx2::manager::ui {

struct Shell {
    const char* program;  // the program's name, shown in the about box
    bool command_bar;     // the menus in a command bar instead of the menu bar
    int main_width;       // the monitor's area; the bars are added around it
    int main_height;
    int screen_width;     // the about box is sized for the whole screen
    int screen_height;
};

inline constexpr Shell kPocketPcShell{"Qmx2PPC", false, 240, 138, 240, 320};
inline constexpr Shell kHandheldPcShell{"Qmx2HPC", true, 337, 159, 480, 240};

}  // namespace qmx2::manager::ui
