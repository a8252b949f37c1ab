#include "ui/strings_table.h"

#include "util/json.h"

#include <QFile>
#include <string>

namespace rz {
namespace {

const Json& StringsTable()
{
    static const Json table = [] {
        QFile file(QStringLiteral(":/strings/en.json"));
        if (!file.open(QIODevice::ReadOnly)) {
            return Json::object();
        }
        const QByteArray bytes = file.readAll();
        return JsonTextToObject(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
    }();
    return table;
}

} // namespace

QString UiText(const char* key)
{
    const Json& table = StringsTable();
    const auto it = table.find(key);
    if (it == table.end() || !it->is_string()) {
        return QString::fromUtf8(key);
    }
    return QString::fromStdString(it->get<std::string>());
}

} // namespace rz
