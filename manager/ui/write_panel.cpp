#include "manager/ui/write_panel.h"

#include <QMouseEvent>
#include <QPainter>

#include "manager/core/command_ids.h"
#include "manager/messages/recipients.h"
#include "platform/desktop/desktop_resources.h"

namespace qmx2::manager::ui {
namespace {

// The buttons' places on the background; scripts/draw_icons.py draws the frames around them.
constexpr QRect kButtons[] = {{}, {19, 250, 203, 34}, {19, 185, 36, 26}, {19, 214, 36, 26}};
constexpr const char* kImages[] = {nullptr, "write-send", "write-pick", "write-remove"};
// The counter's rectangle (140, 16) to (220, 30), right and bottom edges outside.
constexpr QRect kCounter{QPoint(140, 16), QPoint(219, 29)};
constexpr QRect kTextLabel{19, 16, 120, 14};
constexpr QRect kToLabel{19, 165, 36, 17};
const QColor kCounterRed(255, 0, 0);
const QColor kLabel(40, 48, 60);

QPixmap Image(const std::string& name) { return QPixmap(platform::IconPath(name)); }

}  // namespace

WritePanel::WritePanel(std::function<void(int)> act, QWidget* parent)
    : QWidget(parent), act_(std::move(act)), background_(Image("write-background")) {
    setObjectName("bitmap" + QString::number(kBitmapWriteBackground));
    for (int b = kSendButton; b <= kRemoveButton; ++b) {
        normal_[b] = Image(kImages[b]);
        down_[b] = Image(std::string(kImages[b]) + "-pressed");
    }
    SetCount(0);
}

QRect WritePanel::ButtonRect(int button) {
    return button >= kSendButton && button <= kRemoveButton ? kButtons[button] : QRect();
}

QRect WritePanel::CounterRect() { return kCounter; }

void WritePanel::SetCount(int count) {
    const std::u16string text = CounterText(count);
    counter_ = QString::fromUtf16(text.data(), qsizetype(text.size()));
    red_ = CounterRed(count);
    update(kCounter);
}

int WritePanel::ButtonAt(QPoint point) const {
    for (int b = kSendButton; b <= kRemoveButton; ++b)
        if (kButtons[b].contains(point)) return b;
    return kNoButton;
}

void WritePanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(0, 0, background_);
    for (int b = kSendButton; b <= kRemoveButton; ++b)
        painter.drawPixmap(kButtons[b].topLeft(), b == pressed_ ? down_[b] : normal_[b]);
    QFont font = painter.font();
    font.setPixelSize(11);
    painter.setFont(font);
    painter.setPen(kLabel);
    painter.drawText(kTextLabel, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, "Message:");
    painter.drawText(kToLabel, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, "To:");
    painter.setPen(red_ ? kCounterRed : QColor(Qt::black));
    painter.drawText(kCounter, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine, counter_);
}

void WritePanel::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
    pressed_ = ButtonAt(event->position().toPoint());
    if (pressed_ != kNoButton) update(kButtons[pressed_]);
}

void WritePanel::mouseMoveEvent(QMouseEvent* event) {
    if (pressed_ == kNoButton) return QWidget::mouseMoveEvent(event);
    if (!kButtons[pressed_].contains(event->position().toPoint())) {
        update(kButtons[pressed_]);
        pressed_ = kNoButton;
    }
}

void WritePanel::mouseReleaseEvent(QMouseEvent* event) {
    const int button = pressed_;
    if (button == kNoButton || event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
    pressed_ = kNoButton;
    update(kButtons[button]);
    if (kButtons[button].contains(event->position().toPoint())) act_(button);
}

}  // namespace qmx2::manager::ui
