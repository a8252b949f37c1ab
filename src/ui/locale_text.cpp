// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/locale_text.h"

#include "ui/strings_table.h"

#include <QDateTime>
#include <QLocale>
#include <cmath>

namespace rz {
namespace {

// The locale's short forms, widened where they drop information the fixed form shows: a two-digit
// year becomes four digits, and a time without seconds gets them after the minutes, with the
// separator the locale puts before the minutes.
QString DateTimeFormat(const QLocale& locale)
{
    QString date = locale.dateFormat(QLocale::ShortFormat);
    if (!date.contains(QLatin1String("yyyy"))) {
        date.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    }
    QString time = locale.timeFormat(QLocale::ShortFormat);
    const qsizetype minutes = time.indexOf(QLatin1String("mm"));
    if (!time.contains(QLatin1Char('s')) && minutes > 0) {
        const QChar separator = time.at(minutes - 1);
        if (!separator.isLetter()) {
            time.insert(minutes + 2, QString(separator) + QLatin1String("ss"));
        }
    }
    return date + QLatin1Char(' ') + time;
}

} // namespace

QString LocaleDateTimeText(std::optional<Date> date)
{
    const QLocale locale;
    if (!date || locale.language() == QLocale::C) {
        return QString::fromStdString(DateToString(date));
    }
    const auto seconds = static_cast<qint64>(std::floor(date->seconds));
    return locale.toString(QDateTime::fromSecsSinceEpoch(seconds), DateTimeFormat(locale));
}

QString LocaleSpokenDateTimeText(std::optional<Date> date)
{
    if (!date) {
        return {};
    }
    const auto seconds = static_cast<qint64>(std::floor(date->seconds));
    return QLocale().toString(QDateTime::fromSecsSinceEpoch(seconds), UiText("strSpokenDateTimeFormat"));
}

MonitorTexts LocaleMonitorTexts()
{
    MonitorTexts texts;
    texts.LoggedOut = UiText("strLoggedOut").toStdString();
    texts.LoggedIn = UiText("strLoggedIn").toStdString();
    texts.Checking = UiText("strChecking").toStdString();
    texts.Checked = UiText("strChecked").toStdString();
    texts.CheckStart = UiText("strCheckStart").toStdString();
    texts.TooManySections = UiText("strTooManySections").toStdString();
    texts.SectionsToMirror = UiText("strSectionsToMirror").toStdString();
    texts.SectionsFailing = UiText("strSectionsFailing").toStdString();
    texts.SharedRefused = UiText("strMonitorSharedRefused").toStdString();
    texts.DateText = [](Date date) { return LocaleDateTimeText(date).toStdString(); };
    return texts;
}

} // namespace rz
