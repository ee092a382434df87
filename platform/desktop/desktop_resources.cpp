// Icons from the compiled-in resources.
#include "platform/desktop/desktop_resources.h"

#include <QFile>

#include <mutex>

// The resources live in a static library: nothing would keep them linked in without this.
static void InitIconResources() { Q_INIT_RESOURCE(icons); }

namespace qmx2::platform {

QString IconPath(std::string_view name) {
    static std::once_flag once;
    std::call_once(once, InitIconResources);
    return QStringLiteral(":/icons/") + QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size())) +
           QStringLiteral(".png");
}

QIcon LoadIcon(std::string_view name) {
    const QString path = IconPath(name);
    return QFile::exists(path) ? QIcon(path) : QIcon();
}

}  // namespace qmx2::platform
