// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/outbox_status.h"

#include "outbox/outbox.h"
#include "outbox/page_create.h"
#include "outbox/todo_done.h"
#include "ui/locale_text.h"
#include "ui/strings_table.h"
#include "util/dates.h"

#include <QStringList>

namespace rz {

namespace {

// An ended change stays in view this long.
constexpr double kEndedMessageSeconds = 24 * 3600.0;

} // namespace

QString OutboxMessageText(const TOutboxMessage& message)
{
    return UiText(message.Key.c_str())
        .arg(QString::fromStdString(message.Label), QString::fromStdString(message.Detail));
}

QString OutboxStatusText(const TOutbox* outbox)
{
    if (!outbox) {
        return {};
    }
    QStringList parts;
    if (const std::size_t ticks = outbox->CountOf(kToDoDoneKind); ticks > 0) {
        parts << UiText(ticks == 1 ? "strToDoWaiting" : "strToDoWaitingMany").arg(ticks);
    }
    if (const std::size_t pages = outbox->CountOf(kPageCreateKind); pages > 0) {
        parts << UiText(pages == 1 ? "strPageWaiting" : "strPageWaitingMany").arg(pages);
    }
    if (outbox->Count() > 0) {
        if (const std::optional<TOutboxMessage> problem = outbox->LastProblem()) {
            // Without the service's own words, the problem's key names it ("could not be reached").
            const QString detail = !problem->Detail.empty() ? QString::fromStdString(problem->Detail)
                                   : problem->Key != "strToDoProblem" ? UiText(problem->Key.c_str())
                                                                      : UiText("strOutboxUnreachable");
            parts << UiText("strToDoProblem")
                         .arg(UiText("strOutboxItemDetail")
                                  .arg(QString::fromStdString(problem->Label), detail));
        }
    }
    const std::vector<TOutboxMessage> ended = outbox->Messages();
    if (!ended.empty() && DateNow().seconds - ended.back().When.seconds < kEndedMessageSeconds) {
        parts << OutboxMessageText(ended.back());
    }
    return parts.join(QLatin1Char(' '));
}

QString PhoneStatusText(bool on, const std::optional<TToDoStatus>& status)
{
    if (!on) {
        return UiText("strPhoneStatusOff");
    }
    const TToDoStatus shown = status.value_or(TToDoStatus{});
    QString text = UiText("strPhoneStatusOn")
                       .arg(shown.LastSync ? LocaleDateTimeText(shown.LastSync) : UiText("strPhoneNotYet"))
                       .arg(shown.TasksKept)
                       .arg(shown.WaitingWrites);
    if (shown.LastRefusal && DateNow().seconds - shown.LastRefusal->When.seconds < kEndedMessageSeconds) {
        text += QLatin1Char(' ') + OutboxMessageText(*shown.LastRefusal);
    }
    return text;
}

} // namespace rz
