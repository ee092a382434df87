// The commander's window texts, kept as data in resources/commander/texts.json.
#pragma once

#include <QString>
#include <QStringList>

namespace qmx2::commander::ui {

// The text at "section.key" ("change.old_label"); empty when there is none.
QString Text(const char* section, const char* key);
QStringList TextList(const char* section, const char* key);

}  // namespace qmx2::commander::ui
