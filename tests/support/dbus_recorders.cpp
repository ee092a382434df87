// The recording notification server and tray watcher.
#include "tests/support/dbus_recorders.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QDBusVirtualObject>
#include <QDBusArgument>
#include <QDBusMetaType>
#include <QThread>

namespace qmx2::testing {

struct DesktopRecorders::State {
    mutable std::mutex mu;
    QStringList capabilities;
    std::vector<ShownNotification> shown;
    std::vector<uint32_t> closed;
    QStringList tray_items;
    uint32_t next_id = 1;
};

namespace {

const QString kNotifications = QStringLiteral("org.freedesktop.Notifications");
const QString kWatcher = QStringLiteral("org.kde.StatusNotifierWatcher");
const QString kProperties = QStringLiteral("org.freedesktop.DBus.Properties");
const QString kIntrospectable = QStringLiteral("org.freedesktop.DBus.Introspectable");

QString Document(const QString& interfaces) {
    return QStringLiteral("<!DOCTYPE node PUBLIC \"-//freedesktop//DTD D-BUS Object Introspection 1.0//EN\" "
                          "\"http://www.freedesktop.org/standards/dbus/1.0/introspect.dtd\">\n<node>") +
           interfaces + QStringLiteral("</node>");
}

class NotificationServer : public QDBusVirtualObject {
public:
    explicit NotificationServer(std::shared_ptr<DesktopRecorders::State> state) : state_(std::move(state)) {}

    QString introspect(const QString&) const override { return Xml(); }

    bool handleMessage(const QDBusMessage& m, const QDBusConnection& c) override {
        if (m.interface() == kIntrospectable) return c.send(m.createReply(Document(Xml())));
        const QList<QVariant> a = m.arguments();
        if (m.member() == QLatin1String("Notify") && a.size() == 8) {
            ShownNotification n;
            n.app_name = a[0].toString();
            n.summary = a[3].toString();
            n.body = a[4].toString();
            n.hints = qdbus_cast<QVariantMap>(a[6]);
            {
                std::lock_guard lock(state_->mu);
                n.id = state_->next_id++;
                state_->shown.push_back(n);
            }
            return c.send(m.createReply(QVariant::fromValue(n.id)));
        }
        if (m.member() == QLatin1String("CloseNotification") && a.size() == 1) {
            std::lock_guard lock(state_->mu);
            state_->closed.push_back(a[0].toUInt());
            return c.send(m.createReply());
        }
        if (m.member() == QLatin1String("GetCapabilities")) {
            std::lock_guard lock(state_->mu);
            return c.send(m.createReply(state_->capabilities));
        }
        if (m.member() == QLatin1String("GetServerInformation"))
            return c.send(m.createReply(QVariantList{QStringLiteral("recorder"), QStringLiteral("qmx2"),
                                                     QStringLiteral("1"), QStringLiteral("1.2")}));
        return false;
    }

private:
    static QString Xml() {
        return QStringLiteral(
            "<interface name=\"org.freedesktop.Notifications\">"
            "<method name=\"Notify\"><arg type=\"s\" direction=\"in\"/><arg type=\"u\" direction=\"in\"/>"
            "<arg type=\"s\" direction=\"in\"/><arg type=\"s\" direction=\"in\"/><arg type=\"s\" direction=\"in\"/>"
            "<arg type=\"as\" direction=\"in\"/><arg type=\"a{sv}\" direction=\"in\"/><arg type=\"i\" direction=\"in\"/>"
            "<arg type=\"u\" direction=\"out\"/></method>"
            "<method name=\"CloseNotification\"><arg type=\"u\" direction=\"in\"/></method>"
            "<method name=\"GetCapabilities\"><arg type=\"as\" direction=\"out\"/></method>"
            "</interface>");
    }
    std::shared_ptr<DesktopRecorders::State> state_;
};

class TrayWatcher : public QDBusVirtualObject {
public:
    explicit TrayWatcher(std::shared_ptr<DesktopRecorders::State> state) : state_(std::move(state)) {}

    QString introspect(const QString&) const override { return Xml(); }

    bool handleMessage(const QDBusMessage& m, const QDBusConnection& c) override {
        if (m.interface() == kIntrospectable) return c.send(m.createReply(Document(Xml())));
        const QList<QVariant> a = m.arguments();
        if (m.interface() == kProperties && m.member() == QLatin1String("Get") && a.size() == 2) {
            const QString name = a[1].toString();
            QVariant value;
            if (name == QLatin1String("IsStatusNotifierHostRegistered")) value = true;
            else if (name == QLatin1String("ProtocolVersion")) value = 0;
            else value = TrayItems();
            return c.send(m.createReply(QVariant::fromValue(QDBusVariant(value))));
        }
        if (m.interface() == kProperties && m.member() == QLatin1String("GetAll")) {
            QVariantMap all{{QStringLiteral("IsStatusNotifierHostRegistered"), true},
                            {QStringLiteral("ProtocolVersion"), 0},
                            {QStringLiteral("RegisteredStatusNotifierItems"), TrayItems()}};
            return c.send(m.createReply(all));
        }
        if (m.member() == QLatin1String("RegisterStatusNotifierItem") && a.size() == 1) {
            QString item = a[0].toString();
            // An item may register by path only: it is then served by the caller.
            if (item.startsWith(QLatin1Char('/'))) item = m.service() + item;
            {
                std::lock_guard lock(state_->mu);
                state_->tray_items.push_back(item);
            }
            return c.send(m.createReply());
        }
        if (m.member() == QLatin1String("RegisterStatusNotifierHost")) return c.send(m.createReply());
        return false;
    }

private:
    QStringList TrayItems() const {
        std::lock_guard lock(state_->mu);
        return state_->tray_items;
    }
    static QString Xml() {
        return QStringLiteral(
            "<interface name=\"org.kde.StatusNotifierWatcher\">"
            "<method name=\"RegisterStatusNotifierItem\"><arg type=\"s\" direction=\"in\"/></method>"
            "<method name=\"RegisterStatusNotifierHost\"><arg type=\"s\" direction=\"in\"/></method>"
            "<property name=\"RegisteredStatusNotifierItems\" type=\"as\" access=\"read\"/>"
            "<property name=\"IsStatusNotifierHostRegistered\" type=\"b\" access=\"read\"/>"
            "<property name=\"ProtocolVersion\" type=\"i\" access=\"read\"/>"
            "</interface>");
    }
    std::shared_ptr<DesktopRecorders::State> state_;
};

}  // namespace

struct DesktopRecorders::Served {
    QThread thread;
    QString connection_name;
    std::unique_ptr<NotificationServer> notifications;
    std::unique_ptr<TrayWatcher> watcher;
    QString watcher_connection;
};

DesktopRecorders::DesktopRecorders(const QString& address, QStringList capabilities)
    : state_(std::make_shared<State>()) {
    state_->capabilities = std::move(capabilities);
    served_ = std::make_unique<Served>();
    Served* served = served_.get();
    served->connection_name = QStringLiteral("qmx2-recorders-%1").arg(reinterpret_cast<quintptr>(state_.get()));
    served->watcher_connection = served->connection_name + QStringLiteral("-tray");
    QDBusConnection::connectToBus(address, served->connection_name);
    QDBusConnection::connectToBus(address, served->watcher_connection);
    served->thread.start();
}

DesktopRecorders::~DesktopRecorders() {
    Served& s = *served_;
    QDBusConnection::disconnectFromBus(s.connection_name);
    QDBusConnection::disconnectFromBus(s.watcher_connection);
    s.thread.quit();
    s.thread.wait();
}

bool DesktopRecorders::StartNotificationServer() {
    Served& s = *served_;
    QDBusConnection bus(s.connection_name);
    s.notifications = std::make_unique<NotificationServer>(state_);
    s.notifications->moveToThread(&s.thread);
    return bus.registerVirtualObject(QStringLiteral("/org/freedesktop/Notifications"), s.notifications.get()) &&
           bus.registerService(kNotifications);
}

void DesktopRecorders::StopNotificationServer() {
    QDBusConnection bus(served_->connection_name);
    bus.unregisterService(kNotifications);
    bus.unregisterObject(QStringLiteral("/org/freedesktop/Notifications"));
}

bool DesktopRecorders::StartTrayWatcher() {
    Served& s = *served_;
    QDBusConnection bus(s.watcher_connection);
    s.watcher = std::make_unique<TrayWatcher>(state_);
    s.watcher->moveToThread(&s.thread);
    return bus.registerVirtualObject(QStringLiteral("/StatusNotifierWatcher"), s.watcher.get()) &&
           bus.registerService(kWatcher);
}

void DesktopRecorders::StopTrayWatcher() {
    Served& s = *served_;
    QDBusConnection bus(s.watcher_connection);
    bus.unregisterService(kWatcher);
    bus.unregisterObject(QStringLiteral("/StatusNotifierWatcher"));
}

std::vector<ShownNotification> DesktopRecorders::Shown() const {
    std::lock_guard lock(state_->mu);
    return state_->shown;
}

std::vector<uint32_t> DesktopRecorders::Closed() const {
    std::lock_guard lock(state_->mu);
    return state_->closed;
}

QStringList DesktopRecorders::TrayItems() const {
    std::lock_guard lock(state_->mu);
    return state_->tray_items;
}

}  // namespace qmx2::testing
