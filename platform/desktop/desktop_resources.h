// The icons compiled into the desktop backends (resources/icons, through the Qt resource
// system). Qt code only.
#pragma once

#include <QIcon>
#include <QString>

#include <string_view>

namespace qmx2::platform {

// The icon of a resource name of platform/tray_icons.h ("card-powered", ...); a null icon for
// an unknown name.
QIcon LoadIcon(std::string_view name);
// ":/icons/<name>.png"
QString IconPath(std::string_view name);

}  // namespace qmx2::platform
