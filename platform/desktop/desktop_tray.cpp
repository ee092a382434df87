// QSystemTrayIcon behind the handheld's tray icons.
#include "platform/desktop/desktop_tray.h"

#include <QApplication>
#include <QIcon>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QThread>

#include <map>

#include "platform/desktop/desktop_resources.h"

namespace qmx2::platform {

namespace {

// Runs fn on the GUI thread and waits for it.
template <typename Fn>
auto OnGuiThread(Fn fn) {
    if (!qApp || QThread::currentThread() == qApp->thread()) return fn();
    decltype(fn()) result{};
    QMetaObject::invokeMethod(qApp, [&] { result = fn(); }, Qt::BlockingQueuedConnection);
    return result;
}

class DesktopTrayIcons : public TrayIcons {
public:
    DesktopTrayIcons(TrayPoster poster, TrayLog log) : poster_(std::move(poster)), log_(std::move(log)), model_({}, log_) {}
    ~DesktopTrayIcons() override {
        for (auto& [key, icon] : shown_) delete icon.data();
    }

    bool Add(const TrayIcon& icon) override {
        return OnGuiThread([&] {
            if (!model_.Add(icon)) return false;
            if (!QSystemTrayIcon::isSystemTrayAvailable()) {
                Log("no tray in this session: tray icon " + std::to_string(icon.id) + " is in the log only");
                return true;
            }
            auto* shown = new QSystemTrayIcon(LoadIcon(icon.icon));
            shown->setToolTip(QString::fromStdString(icon.tip));
            const HWND owner = icon.owner;
            const uint32_t id = icon.id;
            QObject::connect(shown, &QSystemTrayIcon::activated, shown,
                             [this, owner, id](QSystemTrayIcon::ActivationReason reason) {
                                 if (reason == QSystemTrayIcon::Trigger || reason == QSystemTrayIcon::Context)
                                     Clicked(owner, id);
                             });
            shown->show();
            shown_[{owner, id}] = shown;
            return true;
        });
    }

    bool Modify(const TrayIcon& icon) override {
        return OnGuiThread([&] {
            if (!model_.Modify(icon)) return false;
            auto it = shown_.find({icon.owner, icon.id});
            if (it != shown_.end() && it->second) {
                it->second->setIcon(LoadIcon(icon.icon));
                it->second->setToolTip(QString::fromStdString(icon.tip));
            }
            return true;
        });
    }

    bool Delete(HWND owner, uint32_t id) override {
        return OnGuiThread([&] {
            if (!model_.Delete(owner, id)) return false;
            auto it = shown_.find({owner, id});
            if (it != shown_.end()) {
                delete it->second.data();
                shown_.erase(it);
            }
            return true;
        });
    }

    std::vector<TrayIcon> Icons() const override { return model_.Icons(); }

private:
    void Clicked(HWND owner, uint32_t id) {
        for (const TrayIcon& i : model_.Icons())
            if (i.owner == owner && i.id == id && poster_) poster_(owner, i.callback_message, id, WM_LBUTTONDOWN);
    }

    void Log(const std::string& line) const {
        if (log_) log_(line);
    }

    TrayPoster poster_;
    TrayLog log_;
    TrayIconLog model_;  // what is shown, and the log line of every change
    std::map<std::pair<HWND, uint32_t>, QPointer<QSystemTrayIcon>> shown_;
};

}  // namespace

std::unique_ptr<TrayIcons> MakeDesktopTrayIcons(TrayPoster poster, TrayLog log) {
    return std::make_unique<DesktopTrayIcons>(std::move(poster), std::move(log));
}

}  // namespace qmx2::platform
