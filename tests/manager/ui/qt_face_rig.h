// The manager's Qt face as Qmx2PPC wires it, over a harness: QtManagerUi behind GuiThreadUi, and
// a context whose user interface is that. The tool-window tests build their rigs on it.
#pragma once

#include <QTest>

#include <functional>

#include "manager/core/gui_thread_ui.h"
#include "manager/core/manager_context.h"
#include "manager/core/polling.h"
#include "manager/ui/ppc/qt_manager_ui.h"
#include "platform/clock.h"
#include "platform/help_viewer.h"
#include "platform/tray_icons.h"
#include "tests/manager/manager_harness.h"
#include "tests/manager/ui/widget_test_support.h"

namespace qmx2::manager::testing {

struct QtFaceRig {
    Harness h;
    platform::TrayIconLog tray;
    platform::HelpRequestLog help;
    ui::QtManagerUi qt{{h.ui, [this] { return MonitorSnapshot(context); },
                        [this]() -> ManagerContext& { return context; }, [] { return platform::HWND(5); },
                        [](uint32_t) {}, tray, help}};
    QtDispatch dispatch;
    GuiThreadUi gui{qt, dispatch};
    ManagerContext context{ManagerServices{*h.clock, h.devices, h.registry, h.folder, gui, h.peers}};

    // Serves Qt's loop outside the virtual clock until `done` (10 s of real time at most), so the
    // card threads' waits run while the test stands in the loop.
    void Serve(const std::function<bool()>& done) {
        platform::ExternalWait serving(*h.clock);
        for (int i = 0; i < 2000 && !done(); ++i) QTest::qWait(5);
        QTest::qWait(5);
    }
};

}  // namespace qmx2::manager::testing
