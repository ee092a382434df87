// org.freedesktop.Notifications behind the handheld's user notifications.
#include "platform/desktop/desktop_notifications.h"

#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusVariant>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <QVariantMap>

#include <algorithm>
#include <map>
#include <mutex>
#include <vector>

#include "platform/files.h"
#include "platform/text.h"

namespace qmx2::platform {

namespace {

const QString kService = QStringLiteral("org.freedesktop.Notifications");
const QString kPath = QStringLiteral("/org/freedesktop/Notifications");
constexpr int kCallTimeoutMs = 2000;

// "\Windows\Alarm1.wav" under the root, found as the handheld's files are; empty when the path
// would leave the root.
QString HostPath(const std::string& root, const std::string& handheld) {
    std::string host;
    if (!Files(root).HostPath(FromUtf8(handheld), &host)) return {};
    return QString::fromStdString(host);
}

std::string FileName(const std::string& handheld) {
    const size_t slash = handheld.find_last_of("\\/");
    return slash == std::string::npos ? handheld : handheld.substr(slash + 1);
}

class DesktopNotifications : public Notifications {
public:
    explicit DesktopNotifications(DesktopNotificationOptions options) : options_(std::move(options)) {}

    bool Raise(const UserNotification& notification) override {
        if (!board_.Raise(notification)) return false;
        UserNotification kept = notification;
        kept.sound.resize(std::min(kept.sound.size(), kMaxNotificationSoundChars));
        QDBusConnection bus = QDBusConnection::sessionBus();
        if (!bus.isConnected() || !bus.interface() || !bus.interface()->isServiceRegistered(kService)) {
            Log("notification: " + Summary(kept) + (kept.text.empty() ? "" : ": " + kept.text) +
                (kept.sound.empty() ? "" : " (sound " + kept.sound + ")"));
            PlaySound(kept.sound);
            return true;
        }
        QVariantMap hints;
        hints.insert(QStringLiteral("urgency"), QVariant::fromValue<uchar>(1));
        hints.insert(QStringLiteral("category"), QStringLiteral("im.received"));
        const QString sound = kept.sound.empty() ? QString() : HostPath(options_.root, kept.sound);
        const bool server_plays = !sound.isEmpty() && ServerPlaysSounds(bus);
        if (server_plays) hints.insert(QStringLiteral("sound-file"), sound);
        if (kept.sound.empty()) hints.insert(QStringLiteral("suppress-sound"), true);

        QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("Notify"));
        call << QString::fromStdString(options_.app_name) << 0u << QString() << QString::fromStdString(Summary(kept))
             << QString::fromStdString(kept.text) << QStringList() << hints << -1;
        const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
        if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty()) {
            std::lock_guard lock(mu_);
            shown_[kept.program].push_back(reply.arguments().first().toUInt());
        } else {
            Log("notification: the desktop did not take it (" + reply.errorMessage().toStdString() + ")");
        }
        if (!server_plays) PlaySound(kept.sound);
        return true;
    }

    void MarkHandled(std::string_view program) override {
        board_.MarkHandled(program);
        std::vector<uint32_t> ids;
        {
            std::lock_guard lock(mu_);
            auto it = shown_.find(std::string(program));
            if (it == shown_.end()) return;
            ids = std::move(it->second);
            shown_.erase(it);
        }
        QDBusConnection bus = QDBusConnection::sessionBus();
        for (uint32_t id : ids) {
            QDBusMessage call =
                QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("CloseNotification"));
            call << id;
            bus.call(call, QDBus::Block, kCallTimeoutMs);
        }
    }

private:
    std::string Summary(const UserNotification& n) const { return n.title.empty() ? FileName(n.program) : n.title; }

    bool ServerPlaysSounds(QDBusConnection& bus) {
        QDBusMessage call = QDBusMessage::createMethodCall(kService, kPath, kService, QStringLiteral("GetCapabilities"));
        const QDBusMessage reply = bus.call(call, QDBus::Block, kCallTimeoutMs);
        return reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty() &&
               reply.arguments().first().toStringList().contains(QStringLiteral("sound"));
    }

    void PlaySound(const std::string& handheld) {
        if (handheld.empty()) return;
        const QString file = HostPath(options_.root, handheld);
        if (!QFile::exists(file)) {
            Log("notification sound " + handheld + " not found");
            return;
        }
        for (const std::string& player : options_.players) {
            const QString exe = QStandardPaths::findExecutable(QString::fromStdString(player));
            if (!exe.isEmpty() && QProcess::startDetached(exe, {file})) return;
        }
        Log("notification sound " + handheld + ": no sound player on this desktop");
    }

    void Log(const std::string& line) const {
        if (options_.log) options_.log(line);
    }

    DesktopNotificationOptions options_;
    NotificationBoard board_;
    std::mutex mu_;
    std::map<std::string, std::vector<uint32_t>> shown_;  // desktop ids by program
};

}  // namespace

std::unique_ptr<Notifications> MakeDesktopNotifications(DesktopNotificationOptions options) {
    return std::make_unique<DesktopNotifications>(std::move(options));
}

}  // namespace qmx2::platform
