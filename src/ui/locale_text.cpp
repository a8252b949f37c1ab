// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/locale_text.h"

#include "ui/strings_table.h"

#include <QDateTime>
#include <QLocale>
#include <cmath>

namespace rz {
namespace {

// The locale's short forms, with a four-digit year where the short form has two, and to the minute:
// reminders are set to the minute, so seconds only add noise to a list.
QString DateTimeFormat(const QLocale& locale)
{
    QString date = locale.dateFormat(QLocale::ShortFormat);
    if (!date.contains(QLatin1String("yyyy"))) {
        date.replace(QLatin1String("yy"), QLatin1String("yyyy"));
    }
    QString time = locale.timeFormat(QLocale::ShortFormat);
    const qsizetype seconds = time.indexOf(QLatin1String("ss"));
    if (seconds > 0 && !time.at(seconds - 1).isLetter()) {
        time.remove(seconds - 1, 3);
    }
    return date + QLatin1Char(' ') + time;
}

} // namespace

QString LocaleDateTimeText(std::optional<Date> date)
{
    if (!date) {
        return {};
    }
    const QLocale locale;
    const auto seconds = static_cast<qint64>(std::floor(date->seconds));
    const QDateTime time = QDateTime::fromSecsSinceEpoch(seconds);
    if (locale.language() == QLocale::C) {
        return time.toString(QStringLiteral("yyyy-MM-dd HH:mm"));
    }
    return locale.toString(time, DateTimeFormat(locale));
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
    texts.WaitingForKeyring = UiText("strWaitingForKeyring").toStdString();
    texts.KeyringFailed = UiText("strKeyringFailed").toStdString();
    texts.TooManySections = UiText("strTooManySections").toStdString();
    texts.SectionsToMirror = UiText("strSectionsToMirror").toStdString();
    texts.SectionsFailing = UiText("strSectionsFailing").toStdString();
    texts.SharedRefused = UiText("strMonitorSharedRefused").toStdString();
    texts.DateText = [](Date date) { return LocaleDateTimeText(date).toStdString(); };
    return texts;
}

} // namespace rz
