#include "manager/ui/monitor_view.h"

#include <QLinearGradient>
#include <QPainter>

#include <algorithm>

namespace qmx2::manager::ui {

MonitorView::MonitorView(std::function<MonitorState()> state, QSize size, QWidget* parent)
    : QWidget(parent), state_(std::move(state)) {
    setObjectName("monitorView");
    // The client area beside and below the picture stays the window's plain background.
    setFixedSize(size);
}

void MonitorView::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    for (const PaintStep& step : PaintMonitor(state_())) {
        const QRect rect(step.left, step.top, step.right - step.left, step.bottom - step.top);
        const QColor color(step.color.r, step.color.g, step.color.b);
        switch (step.kind) {
        case PaintStep::kBackgroundImage: {
            // The panel the bars and lines sit on: a light sky with a frame, as wide as the
            // shell's monitor (the Handheld PC's is wider than the picture).
            const QRect panel(rect.left(), rect.top(), std::max(rect.width(), width()), rect.height());
            QLinearGradient sky(panel.topLeft(), panel.bottomLeft());
            sky.setColorAt(0, QColor(236, 242, 252));
            sky.setColorAt(1, QColor(200, 214, 238));
            painter.fillRect(panel, sky);
            painter.setPen(QColor(120, 140, 180));
            painter.drawRect(panel.adjusted(0, 0, -1, -1));
            break;
        }
        case PaintStep::kFillRect: painter.fillRect(rect, color); break;
        case PaintStep::kSingleLineText:
            painter.setPen(color);
            // The card's texts are single-byte (Latin-1).
            painter.drawText(rect, Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine,
                             QString::fromLatin1(step.text.data(), qsizetype(step.text.size())));
            break;
        }
    }
}

}  // namespace qmx2::manager::ui
