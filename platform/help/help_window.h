// The help viewer's window: a text browser on the help pages compiled in from resources/help,
// with Back and Contents. Links between pages go through the same topic rules as the command
// line, so a broken link shows the contents with a notice instead of an empty page.
#pragma once

#include <QMainWindow>
#include <QString>
#include <QStringList>

#include <optional>
#include <string>
#include <string_view>

class QAction;
class QLabel;
class QTextBrowser;

namespace qmx2::platform {

class HelpWindow : public QMainWindow {
public:
    explicit HelpWindow(QWidget* parent = nullptr);

    // Opens a topic such as "qmx21.htp#SHORTMESSAGE"; remembers the one shown for Back.
    void Open(std::string_view topic);
    void Back();

    QTextBrowser* browser() const { return browser_; }
    // The line shown above the page when the topic was not found; empty otherwise.
    QString notice() const;
    // The help file and anchor shown.
    QString file() const { return file_; }
    QString anchor() const { return anchor_; }

    // The text of a compiled-in help file by its lower-case name.
    static std::optional<std::string> ReadHelpFile(const std::string& name);

private:
    void Show(std::string_view topic);

    QTextBrowser* browser_;
    QLabel* notice_;
    QAction* back_;
    QStringList history_;
    QString file_;
    QString anchor_;
};

}  // namespace qmx2::platform
