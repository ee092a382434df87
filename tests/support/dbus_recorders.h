// Small desktop services on a test's private session bus, served from a thread of their own so
// that a blocking call from the test's GUI thread is answered: a notification server that
// records what it is shown (org.freedesktop.Notifications), and a StatusNotifierWatcher that
// records the tray icons that register with it (org.kde.StatusNotifierWatcher).
#pragma once

#include <QString>
#include <QStringList>
#include <QVariantMap>

#include <memory>
#include <mutex>
#include <vector>

namespace qmx2::testing {

struct ShownNotification {
    QString app_name;
    uint32_t id = 0;
    QString summary;
    QString body;
    QVariantMap hints;
};

class DesktopRecorders {
public:
    // Connects to the bus at `address`; `capabilities` are what the notification server says it
    // can do ("body", "sound", ...).
    DesktopRecorders(const QString& address, QStringList capabilities);
    ~DesktopRecorders();

    bool StartNotificationServer();
    void StopNotificationServer();
    bool StartTrayWatcher();
    void StopTrayWatcher();  // the tray goes away

    std::vector<ShownNotification> Shown() const;
    std::vector<uint32_t> Closed() const;
    QStringList TrayItems() const;  // services that registered a tray icon

    struct State;
    struct Served;

private:
    std::shared_ptr<State> state_;
    std::unique_ptr<Served> served_;
};

}  // namespace qmx2::testing
