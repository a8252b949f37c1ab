// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/outbox_status.h"

#include "mirror/outbox.h"
#include "ui/strings_table.h"
#include "util/dates.h"

#include <QStringList>

namespace rz {

namespace {

// An ended change stays in view this long.
constexpr double kEndedMessageSeconds = 24 * 3600.0;

QString MessageText(const TOutboxMessage& message)
{
    return UiText(message.Key.c_str())
        .arg(QString::fromStdString(message.Label), QString::fromStdString(message.Detail));
}

} // namespace

QString OutboxStatusText(const TOutbox* outbox)
{
    if (!outbox) {
        return {};
    }
    QStringList parts;
    const std::size_t waiting = outbox->Count();
    if (waiting > 0) {
        parts << UiText(waiting == 1 ? "strToDoWaiting" : "strToDoWaitingMany").arg(waiting);
        if (const std::optional<TOutboxMessage> problem = outbox->LastProblem()) {
            const QString detail = problem->Detail.empty() ? UiText("strOutboxUnreachable")
                                                           : QString::fromStdString(problem->Detail);
            parts << UiText("strToDoProblem")
                         .arg(UiText("strOutboxItemDetail")
                                  .arg(QString::fromStdString(problem->Label), detail));
        }
    }
    const std::vector<TOutboxMessage> ended = outbox->Messages();
    if (!ended.empty() && DateNow().seconds - ended.back().When.seconds < kEndedMessageSeconds) {
        parts << MessageText(ended.back());
    }
    return parts.join(QLatin1Char(' '));
}

} // namespace rz
