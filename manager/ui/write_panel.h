// The write window's background (bitmap 113) with the counter "%d / 160" and the three picture
// buttons: a press inside a button shows its pressed image, moving out of it cancels, lifting
// inside it acts. The window's controls lie on top of this panel.
#pragma once

#include <QPixmap>
#include <QRect>
#include <QWidget>

#include <functional>

namespace qmx2::manager::ui {

enum PictureButton : int { kNoButton = 0, kSendButton = 1, kPickButton = 2, kRemoveButton = 3 };

class WritePanel : public QWidget {
public:
    // `act` gets the button lifted inside.
    explicit WritePanel(std::function<void(int button)> act, QWidget* parent = nullptr);

    // The counter for a text of `count` characters (a CR LF pair counted once).
    void SetCount(int count);
    QString counter_text() const { return counter_; }
    bool counter_red() const { return red_; }
    // The button shown pressed, kNoButton when none.
    int pressed() const { return pressed_; }

    static QRect ButtonRect(int button);
    static QRect CounterRect();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    int ButtonAt(QPoint point) const;

    std::function<void(int)> act_;
    QPixmap background_;
    QPixmap normal_[4];
    QPixmap down_[4];
    QString counter_;
    bool red_ = false;
    int pressed_ = kNoButton;  // only between stylus down and up
};

}  // namespace qmx2::manager::ui
