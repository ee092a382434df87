// Texts from the compiled-in resource.
#include "commander/ui/texts.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

// The texts are compiled into this static library; a program linking it must register them.
static void RegisterCommanderResources() { Q_INIT_RESOURCE(commander); }

namespace qmx2::commander::ui {
namespace {

const QJsonObject& All() {
    static const QJsonObject texts = [] {
        RegisterCommanderResources();
        QFile file(":/commander/texts.json");
        file.open(QIODevice::ReadOnly);
        return QJsonDocument::fromJson(file.readAll()).object();
    }();
    return texts;
}

}  // namespace

QString Text(const char* section, const char* key) {
    return All().value(section).toObject().value(key).toString();
}

QStringList TextList(const char* section, const char* key) {
    QStringList list;
    for (const QJsonValue& v : All().value(section).toObject().value(key).toArray()) list << v.toString();
    return list;
}

QString Q(std::string_view text) { return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size())); }

}  // namespace qmx2::commander::ui
