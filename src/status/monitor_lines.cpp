// SPDX-License-Identifier: GPL-3.0-or-later
#include "status/monitor_lines.h"

#include "mirror/mirror_counters.h"
#include "util/text.h"

#include <cinttypes>
#include <cstdarg>
#include <cstdio>
#include <utility>

namespace rz {
namespace {

std::string Format(const char* format, ...) __attribute__((format(printf, 1, 2)));

std::string Format(const char* format, ...)
{
    va_list args;
    va_start(args, format);
    va_list copy;
    va_copy(copy, args);
    const int length = std::vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string text(length > 0 ? static_cast<std::size_t>(length) : 0U, '\0');
    if (length > 0) {
        std::vsnprintf(text.data(), text.size() + 1, format, args);
    }
    va_end(args);
    return text;
}

// The monitor's live line and the end-of-cycle line list the same counters with different
// separators.
std::string CountersLine(const char* format, std::int64_t filterPagesResult, const TMirrorCounts& c)
{
    return Format(format, filterPagesResult, c.NotebooksChanged, c.NotebooksSectionsChanged,
                  c.NewNotebookCount, c.ChangedNotebookCount, c.NotebookTotal, c.NewSectionGroupCount,
                  c.ChangedSectionGroupCount, c.NewSectionCount, c.ChangedSectionCount,
                  c.GetSectionErrorCount);
}

constexpr const char* kLiveCounters =
    " F:%" PRId64 " CN:%" PRId64 ",CNS:%" PRId64 "  N:%" PRId64 "+%" PRId64 "/%" PRId64 ",G:%" PRId64
    "+%" PRId64 ",S:%" PRId64 "+%" PRId64 "  E:%" PRId64;
constexpr const char* kEndCounters =
    " F:%" PRId64 ",CN:%" PRId64 ",CNS:%" PRId64 ",N:%" PRId64 "+%" PRId64 "/%" PRId64 ",G:%" PRId64
    "+%" PRId64 ",S:%" PRId64 "+%" PRId64 ",E:%" PRId64;

// The text with its "%1" replaced.
} // namespace

std::string MonitorTexts::TimeText(std::optional<Date> date) const
{
    if (!date || !DateText) {
        return DateToString(date);
    }
    return DateText(*date);
}

std::string CheckStartLine(Date now)
{
    return CheckStartLine(MonitorTexts{}, now);
}

std::string CheckStartLine(const MonitorTexts& texts, Date now)
{
    return texts.CheckStart + " " + texts.TimeText(now);
}

std::string CheckEndLine(const std::string& checkedText, Date now, std::int64_t filterPagesResult,
                         const TMirrorCounts& counters)
{
    MonitorTexts texts;
    texts.Checked = checkedText;
    return CheckEndLine(texts, now, filterPagesResult, counters);
}

std::string CheckEndLine(const MonitorTexts& texts, Date now, std::int64_t filterPagesResult,
                         const TMirrorCounts& counters)
{
    return texts.Checked + " " + texts.TimeText(now) + " " +
           CountersLine(kEndCounters, filterPagesResult, counters);
}

std::string KeyringLine(const MonitorSnapshot& s, const MonitorTexts& texts)
{
    if (s.WaitingForKeyring) {
        return texts.WaitingForKeyring;
    }
    if (s.KeyringFailed && s.AccessToken.empty() && !s.UserId.empty()) {
        return texts.KeyringFailed;
    }
    return {};
}

MonitorLines BuildMonitorLines(const MonitorSnapshot& s, const MonitorTexts& texts, Date now)
{
    MonitorLines lines;
    if (std::string keyring = KeyringLine(s, texts); !keyring.empty()) {
        lines.Login = std::move(keyring);
    } else if (!s.AccessToken.empty() && !s.UserId.empty()) {
        lines.Login =
            texts.LoggedIn + " (" + (s.UserPrincipalName.empty() ? s.UserId : s.UserPrincipalName) + ")";
    } else {
        lines.Login = texts.LoggedOut;
    }
    if (s.HasWorker) {
        lines.LoginRed = s.RefreshTokensErrorCount > 0;
        lines.NotebooksRed = s.Counters.GetAllNotebooksSectionsErrorCount > 0;
        if (s.Monitoring) {
            lines.Notebooks = texts.Checking + " " + texts.TimeText(now) + " " +
                              CountersLine(kLiveCounters, s.FilterPagesResult, s.Counters);
        } else {
            lines.Notebooks = s.MirrorStatusText;
        }
        if (s.FilterPagesResult == kFilterPagesTooManySections && !texts.TooManySections.empty()) {
            lines.Notebooks = *lines.Notebooks + "  " + texts.TooManySections;
        }
        if (s.SectionsToMirror > 0 && !texts.SectionsToMirror.empty()) {
            lines.Notebooks = *lines.Notebooks + "  " +
                              StrReplaceAll(texts.SectionsToMirror, "%1", std::to_string(s.SectionsToMirror));
        }
        if (!s.FailingSections.empty() && !texts.SectionsFailing.empty()) {
            std::string names;
            for (const std::string& name : s.FailingSections) {
                names += (names.empty() ? "" : ", ") + name;
            }
            lines.Notebooks = *lines.Notebooks + "  " + StrReplaceAll(texts.SectionsFailing, "%1", names);
            lines.NotebooksRed = true;
        }
        for (const std::string& name : s.RefusedNotebooks) {
            if (!texts.SharedRefused.empty()) {
                lines.Notebooks = *lines.Notebooks + "  " + StrReplaceAll(texts.SharedRefused, "%1", name);
                lines.NotebooksRed = true;
            }
        }
        if (s.LastCheckPageTime) {
            lines.TimeGetPage =
                texts.TimeText(s.LastCheckPageTime) +
                Format(" [S:%" PRId64 "]. (HP: %" PRId64 "/%" PRId64 ", E:%" PRId64 ")",
                       s.LastCheckPageResult, s.LoadPageDone, s.LoadPageTotal, s.LoadPageErrors);
        }
    }
    // A refused host leaves the account talking to the default service; the user must see why.
    if (!s.EndpointProblem.empty()) {
        lines.Login += "\n" + s.EndpointProblem;
        lines.LoginRed = true;
    }
    if (!s.OutboxStatus.empty()) {
        lines.Login += "\n" + s.OutboxStatus;
    }
    if (!s.PhoneStatus.empty()) {
        lines.Login += "\n" + s.PhoneStatus;
    }
    if (s.LastLoadTime) {
        lines.Pages = (s.LoadRunning ? texts.Checking : texts.Checked) + " " +
                      texts.TimeText(s.LastLoadTime) +
                      Format(" PRKP:%" PRId64 "/%" PRId64 ", TRKP:%" PRId64 "/%" PRId64 ". DB!P:%" PRId64,
                             s.KnownTitlePageDone, s.KnownTitlePageTotal, s.KnownTagPageDone,
                             s.KnownTagPageTotal, s.ReminderPageCount);
    }
    return lines;
}

} // namespace rz
