// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/strings_table.h"

#include "util/json.h"

#include <QCoreApplication>
#include <QFile>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>
#include <string>

namespace rz {
namespace {

// The context and disambiguation the strings table's texts carry in the translation files: the
// markers handed to lupdate (cmake/RzTranslations.cmake) use the same.
constexpr const char* kStringsContext = "StringsTable";

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

bool Install(QCoreApplication& app, const QLocale& locale, const QString& name, const QString& folder)
{
    auto* translator = new QTranslator(&app);
    if (!translator->load(locale, name, QStringLiteral("_"), folder) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}

} // namespace

QString UiText(const char* key)
{
    const Json& table = StringsTable();
    const auto it = table.find(key);
    if (it == table.end() || !it->is_string()) {
        return QString::fromUtf8(key);
    }
    const std::string& english = it->get_ref<const std::string&>();
    if (english.empty()) {
        return {};
    }
    return QCoreApplication::translate(kStringsContext, english.c_str(), key);
}

bool InstallTranslations(QCoreApplication& app)
{
    const QLocale locale;
    // Qt's own texts (a line edit's context menu) come with the system's Qt translations, if any.
    Install(app, locale, QStringLiteral("qtbase"), QLibraryInfo::path(QLibraryInfo::TranslationsPath));
    return Install(app, locale, QStringLiteral("redozevuviva"), QStringLiteral(":/i18n"));
}

} // namespace rz
