// SPDX-License-Identifier: GPL-3.0-or-later
// The translations: every language file translates every text of the sources, and a German or
// French desktop gets its own texts and date form.
#include "qt_test_app.h"
#include "test_support.h"
#include "ui/locale_text.h"
#include "ui/snooze_choices.h"
#include "ui/strings_table.h"
#include "util/dates.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QProcess>
#include <QRegularExpression>
#include <QTranslator>
#include <gtest/gtest.h>
#include <map>
#include <pugixml.hpp>
#include <string>
#include <string_view>
#include <tuple>
#include <utility>
#include <vector>

namespace rz {
namespace {

QStringList Split(const char* list)
{
    return QString::fromUtf8(list).split(QLatin1Char('|'), Qt::SkipEmptyParts);
}

// The messages a user would still see in English, or with a placeholder of the source missing.
std::vector<std::string> UnfinishedMessages(const QString& tsPath)
{
    pugi::xml_document document;
    if (!document.load_file(tsPath.toStdString().c_str())) {
        return {"the file does not read as XML"};
    }
    std::vector<std::string> unfinished;
    static const QRegularExpression placeholder(QStringLiteral("%[1-9]"));
    for (const pugi::xml_node context : document.child("TS").children("context")) {
        for (const pugi::xml_node message : context.children("message")) {
            const pugi::xml_node translation = message.child("translation");
            const std::string type = translation.attribute("type").value();
            if (type == "vanished" || type == "obsolete") {
                continue;
            }
            const QString source = QString::fromUtf8(message.child_value("source"));
            const QString text = QString::fromUtf8(translation.child_value());
            const std::string where =
                std::string(context.child_value("name")) + ": \"" + source.toStdString() + "\"";
            if (type == "unfinished" || text.isEmpty()) {
                unfinished.push_back(where);
                continue;
            }
            auto it = placeholder.globalMatch(source);
            while (it.hasNext()) {
                if (!text.contains(it.next().captured())) {
                    unfinished.push_back(where + " loses a placeholder");
                }
            }
        }
    }
    return unfinished;
}

// lupdate brings a copy of each file up to date with the window layouts and the strings table;
// a text of the sources the file lacks arrives unfinished.
TEST(TranslationsTest, EveryLanguageTranslatesEveryTextOfTheSources)
{
    const QStringList files = Split(RZ_TS_FILES);
    ASSERT_GE(files.size(), 2);
    for (const QString& file : files) {
        const test::TempDir folder;
        const QString copy = QString::fromStdString(folder.File(QFileInfo(file).fileName().toStdString()));
        ASSERT_TRUE(QFile::copy(file, copy)) << file.toStdString();
        QProcess lupdate;
        lupdate.start(QStringLiteral(RZ_LUPDATE), Split(RZ_LUPDATE_OPTIONS) + Split(RZ_TRANSLATION_SOURCES) +
                                                      QStringList{QStringLiteral("-ts"), copy});
        ASSERT_TRUE(lupdate.waitForFinished(60000)) << "lupdate did not finish";
        ASSERT_EQ(lupdate.exitCode(), 0) << lupdate.readAllStandardError().toStdString();
        std::string list;
        for (const std::string& message : UnfinishedMessages(copy)) {
            list += "\n  " + message;
        }
        EXPECT_TRUE(list.empty())
            << file.toStdString() << " lacks finished translations of:" << list
            << "\nRun `cmake --build --preset dev --target update_translations` and translate them.";
    }
}

// The letter Alt picks in a text: the one after a single "&" ("&&" is an ampersand); none without.
QChar Mnemonic(const QString& text)
{
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text.at(i) != QLatin1Char('&')) {
            continue;
        }
        if (text.at(i + 1) != QLatin1Char('&')) {
            return text.at(i + 1).toLower();
        }
        ++i;
    }
    return {};
}

// One text of a layout that may carry a mnemonic, and where Alt looks for it: the window's own
// widgets and menu titles, or the actions, which the tray menu holds all together.
struct LayoutText
{
    QString context;
    QString source;
    bool action = false;
};

std::vector<LayoutText> MnemonicTexts(const QString& uiPath)
{
    pugi::xml_document document;
    EXPECT_TRUE(document.load_file(uiPath.toStdString().c_str())) << uiPath.toStdString();
    const QString context = QString::fromUtf8(document.child("ui").child_value("class"));
    std::vector<LayoutText> texts;
    for (const pugi::xpath_node& found :
         document.select_nodes("//property[@name='text' or @name='title']/string")) {
        const pugi::xml_node text = found.node();
        if (std::string_view(text.attribute("notr").value()) == "true") {
            continue;
        }
        const bool action = std::string_view(text.parent().parent().name()) == "action";
        texts.push_back({context, QString::fromUtf8(text.child_value()), action});
    }
    return texts;
}

// Each language's translation of each layout text, by context and source; English maps to itself.
std::map<std::pair<QString, QString>, QString> TranslatedTexts(const QString& tsPath)
{
    std::map<std::pair<QString, QString>, QString> translated;
    pugi::xml_document document;
    EXPECT_TRUE(document.load_file(tsPath.toStdString().c_str())) << tsPath.toStdString();
    for (const pugi::xml_node context : document.child("TS").children("context")) {
        const QString name = QString::fromUtf8(context.child_value("name"));
        for (const pugi::xml_node message : context.children("message")) {
            translated[{name, QString::fromUtf8(message.child_value("source"))}] =
                QString::fromUtf8(message.child_value("translation"));
        }
    }
    return translated;
}

// Alt and a letter reaches one control per window in every language, and every menu entry has a
// letter of its own.
TEST(TranslationsTest, MnemonicsAreUniquePerWindowInEveryLanguage)
{
    std::vector<LayoutText> texts;
    for (const QString& source : Split(RZ_TRANSLATION_SOURCES)) {
        if (source.endsWith(QLatin1String(".ui"))) {
            const std::vector<LayoutText> layout = MnemonicTexts(source);
            texts.insert(texts.end(), layout.begin(), layout.end());
        }
    }
    ASSERT_FALSE(texts.empty());
    std::vector<std::pair<QString, std::map<std::pair<QString, QString>, QString>>> languages = {
        {QStringLiteral("en"), {}}};
    for (const QString& file : Split(RZ_TS_FILES)) {
        languages.emplace_back(QFileInfo(file).baseName(), TranslatedTexts(file));
    }
    for (const auto& [language, translations] : languages) {
        // (context, action scope, letter) -> the text that took it
        std::map<std::tuple<QString, bool, QChar>, QString> taken;
        for (const LayoutText& text : texts) {
            const auto found = translations.find({text.context, text.source});
            const QString shown = found == translations.end() ? text.source : found->second;
            const QChar letter = Mnemonic(shown);
            const std::string where = language.toStdString() + " " + text.context.toStdString() + ": \"" +
                                      shown.toStdString() + "\"";
            if (letter.isNull()) {
                EXPECT_FALSE(text.action) << where << " is a menu entry without a mnemonic";
                continue;
            }
            const auto [it, fresh] = taken.emplace(std::make_tuple(text.context, text.action, letter), shown);
            EXPECT_TRUE(fresh) << where << " takes the letter of \"" << it->second.toStdString() << "\"";
        }
    }
}

TEST(TranslationsTest, DesktopLocaleChoosesTextsAndDateForm)
{
    struct Case
    {
        QLocale locale;
        const char* quit;
        const char* dueWindow;
        const char* time;
    };
    const Case cases[] = {
        {QLocale(QLocale::German, QLocale::Germany), "Beenden", "Fällige Erinnerungen — RedoZevuviva",
         "08.12.2026 09:05"},
        {QLocale(QLocale::French, QLocale::France), "Quitter", "Rappels échus — RedoZevuviva",
         "08/12/2026 09:05"},
        {QLocale::c(), "Quit", "Reminders Due — RedoZevuviva", "2026-12-08 09:05"},
    };
    QCoreApplication& app = test::QtTestApp();
    const test::ScopedTimeZone zone("Europe/Berlin");
    for (const Case& c : cases) {
        QLocale::setDefault(c.locale);
        const bool translated = InstallTranslations(app);
        EXPECT_EQ(translated, c.locale.language() != QLocale::C) << c.quit;
        EXPECT_EQ(UiText("strMenuQuit").toStdString(), c.quit);
        EXPECT_EQ(
            QCoreApplication::translate("MWinPendingReminders", "Reminders Due — RedoZevuviva").toStdString(),
            c.dueWindow);
        EXPECT_EQ(LocaleDateTimeText(DateFromParts(2026, 12, 8, 9, 5, 7)).toStdString(), c.time);
        for (QTranslator* translator : app.findChildren<QTranslator*>()) {
            QCoreApplication::removeTranslator(translator);
            delete translator;
        }
    }
    QLocale::setDefault(QLocale::c());
}

// One minute takes the singular: a German default of one minute is no "1 Minuten".
TEST(TranslationsTest, SnoozeChoiceOfOneMinuteIsSingular)
{
    QCoreApplication& app = test::QtTestApp();
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    InstallTranslations(app);
    QComboBox combo;
    FillSnoozeChoices(&combo, 1);
    EXPECT_EQ(combo.currentText().toStdString(), "1 Minute");
    for (QTranslator* translator : app.findChildren<QTranslator*>()) {
        QCoreApplication::removeTranslator(translator);
        delete translator;
    }
    QLocale::setDefault(QLocale::c());
}

} // namespace
} // namespace rz
