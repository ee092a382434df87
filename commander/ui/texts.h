// The commander's window texts, kept as data in resources/commander/texts.json.
#pragma once

#include <QString>
#include <QStringList>

#include <string_view>

namespace qmx2::commander::ui {

// The text at "section.key" ("change.old_label"); empty when there is none.
QString Text(const char* section, const char* key);
QStringList TextList(const char* section, const char* key);

// A text the commander's logic gives (a caption, a prompt, a message) as Qt text.
QString Q(std::string_view text);

}  // namespace qmx2::commander::ui
