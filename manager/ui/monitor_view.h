// The monitor's picture as a widget: the drawing steps of manager/monitor painted with QPainter.
#pragma once

#include <QWidget>

#include <functional>

#include "manager/monitor/monitor.h"

namespace qmx2::manager::ui {

class MonitorView : public QWidget {
public:
    // `state` is read at every paint, so a repaint shows the worker's latest pass. `size` is the
    // shell's monitor area; the picture keeps its place at the top left.
    MonitorView(std::function<MonitorState()> state, QSize size, QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::function<MonitorState()> state_;
};

}  // namespace qmx2::manager::ui
