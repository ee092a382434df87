// Pages of the "Settings" sheet that are not built yet: each says so on one line.
#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

#include "manager/ui/settings/pages.h"

namespace qmx2::manager::ui {
namespace {

QWidget* Placeholder(const char* object_name, QWidget* parent) {
    auto* page = new QWidget(parent);
    page->setObjectName(object_name);
    auto* layout = new QVBoxLayout(page);
    auto* line = new QLabel("This page is not available yet in this build.", page);
    line->setWordWrap(true);
    layout->addWidget(line);
    layout->addStretch();
    return page;
}

}  // namespace

QWidget* MakeMessagesPage(SettingsParts&, QWidget* parent) { return Placeholder("page188", parent); }
QWidget* MakeSecurityPage(SettingsParts&, QWidget* parent) { return Placeholder("page166", parent); }

}  // namespace qmx2::manager::ui
