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

// Alt and a letter reaches one control per window in every language, and every menu entry has a
// letter of its own. Actions share one scope, as the tray menu holds them all.
TEST(TranslationsTest, MnemonicsAreUniquePerWindowInEveryLanguage)
{
    struct LayoutText
    {
        std::string context, source;
        bool action;
    };
    std::vector<LayoutText> texts;
    for (const QString& ui : Split(RZ_TRANSLATION_SOURCES).filter(QStringLiteral(".ui"))) {
        pugi::xml_document layout;
        ASSERT_TRUE(layout.load_file(ui.toStdString().c_str())) << ui.toStdString();
        for (const pugi::xpath_node& found :
             layout.select_nodes("//property[@name='text' or @name='title']/string[not(@notr='true')]")) {
            texts.push_back({layout.child("ui").child_value("class"), found.node().child_value(),
                             std::string_view(found.node().parent().parent().name()) == "action"});
        }
    }
    ASSERT_FALSE(texts.empty());
    // "&&" writes an ampersand; the letter after a single "&" is the mnemonic.
    static const QRegularExpression mnemonic(QStringLiteral("(?:^|[^&])(?:&&)*&([^&])"));
    for (const QString& language : QStringList{QString()} + Split(RZ_TS_FILES)) {
        std::map<std::pair<std::string, std::string>, std::string> translated; // English: none
        pugi::xml_document ts;
        if (!language.isEmpty() && ts.load_file(language.toStdString().c_str())) {
            for (const pugi::xml_node context : ts.child("TS").children("context")) {
                for (const pugi::xml_node message : context.children("message")) {
                    translated[{context.child_value("name"), message.child_value("source")}] =
                        message.child_value("translation");
                }
            }
        }
        std::map<std::tuple<std::string, bool, QChar>, std::string> taken;
        for (const LayoutText& text : texts) {
            const auto found = translated.find({text.context, text.source});
            const std::string shown = found == translated.end() ? text.source : found->second;
            const QRegularExpressionMatch letter = mnemonic.match(QString::fromStdString(shown));
            const std::string where = language.toStdString() + " " + text.context + ": \"" + shown + "\"";
            if (!letter.hasMatch()) {
                EXPECT_FALSE(text.action) << where << " is a menu entry without a mnemonic";
                continue;
            }
            const auto [it, fresh] = taken.emplace(
                std::make_tuple(text.context, text.action, letter.captured(1).at(0).toLower()), shown);
            EXPECT_TRUE(fresh) << where << " takes the letter of \"" << it->second << "\"";
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
