// peghelp: the handheld's help viewer on the desktop. Its one argument is the topic,
// "qmx21.htp#SHORTMESSAGE" or "qmx2.htc"; without one it shows the contents.
//   peghelp [--screenshot FILE.png] [TOPIC]
// With --screenshot it renders the window into FILE.png and ends (for reviews without a desktop).
#include <QApplication>
#include <QPixmap>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/desktop/desktop_resources.h"
#include "platform/help/help_window.h"
#include "platform/tray_icons.h"

int main(int argc, char** argv) {
    if (argc == 2 && std::string(argv[1]) == "--help") {
        std::fputs("usage: peghelp [--screenshot FILE.png] [FILE.htp#TOPIC]\n", stdout);
        return 0;
    }
    // Without a display Qt would abort; a help request in a session without a desktop says so.
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") && !std::getenv("WAYLAND_DISPLAY")) {
        std::fprintf(stderr, "peghelp: no display to show help on (topic \"%s\")\n", argc > 1 ? argv[argc - 1] : "");
        return 1;
    }
    QApplication app(argc, argv);
    std::string topic;
    QString screenshot;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--screenshot" && i + 1 < argc) screenshot = QString::fromLocal8Bit(argv[++i]);
        else topic = arg;
    }
    app.setWindowIcon(qmx2::platform::LoadIcon(qmx2::platform::kIconHelp));
    qmx2::platform::HelpWindow window;
    window.resize(360, 480);
    window.Open(topic);
    if (!window.notice().isEmpty()) std::fprintf(stderr, "peghelp: %s\n", window.notice().toUtf8().constData());
    if (!screenshot.isEmpty()) {
        window.show();
        app.processEvents();
        if (!window.grab().save(screenshot, "PNG")) {
            std::fprintf(stderr, "peghelp: cannot write %s\n", screenshot.toLocal8Bit().constData());
            return 1;
        }
        return 0;
    }
    window.show();
    return app.exec();
}
