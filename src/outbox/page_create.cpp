// SPDX-License-Identifier: GPL-3.0-or-later
#include "outbox/page_create.h"

#include "account/http.h"
#include "mirror/mirror_json.h"
#include "reminders/new_reminder.h"
#include "util/json.h"
#include "util/text.h"

#include <algorithm>
#include <unicode/uchar.h>

namespace rz {

namespace {

// A missing section is the user's choice gone, not a page: say so in its own words.
TOutboxOutcome ForCreate(TOutboxOutcome outcome)
{
    if (outcome.MessageKey == "strOutboxPageGone") {
        outcome.MessageKey = "strPageCreateSectionGone";
    }
    return outcome;
}

} // namespace

TOutboxItem PageCreateItem(const std::string& title, const std::string& sectionId)
{
    TOutboxItem item;
    item.Kind = kPageCreateKind;
    item.Key = sectionId + "\n" + title;
    item.Label = title;
    item.Fields = Json{{"sectionId", sectionId}, {"title", title}};
    return item;
}

std::string StoredTitleForm(std::string_view title)
{
    const std::u16string text = Utf8ToUtf16(title);
    std::u16string out;
    out.reserve(text.size());
    bool blank = false;
    for (const char16_t c : text) {
        if (c == u'\t' || c == u'\n' || c == u'\r' || u_charType(c) == U_SPACE_SEPARATOR) {
            blank = true;
            continue;
        }
        if (blank && !out.empty()) {
            out += u' ';
        }
        blank = false;
        out += c;
    }
    return Utf16ToUtf8(out);
}

bool SameStoredTitle(std::string_view a, std::string_view b)
{
    return a == b || StoredTitleForm(a) == StoredTitleForm(b);
}

std::string TitleLookupAddress(const std::string& sectionId, const std::string& title)
{
    std::string word;
    const std::string stored = StoredTitleForm(title);
    for (std::size_t from = 0; from <= stored.size();) {
        const std::size_t blank = std::min(stored.find(' ', from), stored.size());
        if (blank - from > word.size()) {
            word = stored.substr(from, blank - from);
        }
        from = blank + 1;
    }
    // OData doubles a quote mark inside a quoted text.
    const std::string filter = "contains(title,'" + StrReplaceAll(word, "'", "''") + "')";
    return "/onenote/sections/" + sectionId +
           "/pages?$select=id,title&$top=100&$filter=" + FormEncode(filter);
}

bool PageListHoldsTitle(std::string_view answer, const std::string& title)
{
    const Json list = JsonTextToObject(answer);
    if (const Json* pages = JsonArray(list, "value")) {
        for (const Json& page : *pages) {
            if (page.is_object() && SameStoredTitle(JsonText(page, "title"), title)) {
                return true;
            }
        }
    }
    return false;
}

TOutboxOutcome TPageCreateKind::Send(TOutboxLink& link, TOutboxItem& item)
{
    const std::string sectionId = JsonText(item.Fields, "sectionId");
    const std::string title = JsonText(item.Fields, "title");
    if (!IsSafeGraphIdSegment(sectionId) || title.empty()) {
        return TOutboxOutcome::Refusal("strPageCreateSectionGone");
    }

    if (item.Unconfirmed) {
        // The last POST may have created the page although its answer never came.
        const std::optional<HttpResponse> found = link.Send("GET", TitleLookupAddress(sectionId, title));
        if (!found) {
            return TOutboxOutcome::NotSent();
        }
        if (TOutboxOutcome read = AnswerOutcome(*found); read.Result != TOutboxOutcome::Done) {
            return ForCreate(read);
        }
        if (!IsGraphListResponse(found->Body)) {
            return TOutboxOutcome::Again("strOutboxUnreachable");
        }
        if (PageListHoldsTitle(found->Body, title)) {
            std::lock_guard lock(m_Mutex);
            m_Created.push_back(title);
            return TOutboxOutcome::Finished();
        }
        // Not listed yet. A list can lag behind a create: look again before a second POST, until
        // the lag has passed since the last one (a clock set back starts the wait afresh).
        const Date now = DateNow();
        const auto posted = item.Fields.find("postedAt");
        double since = kPageListLagSeconds;
        if (posted != item.Fields.end() && posted->is_number()) {
            since = now.seconds - posted->get<double>();
            if (since < 0) {
                item.Fields["postedAt"] = now.seconds;
                since = 0;
            }
        }
        if (since < kPageListLagSeconds) {
            return TOutboxOutcome::LookAgainIn(
                std::min(kPageLookupPauseSeconds, kPageListLagSeconds - since));
        }
        // Looked long enough: no attempt reached the service. The flag is the link's to keep; the
        // POST below sets it again before it goes out.
    }

    item.Fields["postedAt"] = DateNow().seconds;
    const std::optional<HttpResponse> answer =
        link.Send("POST", "/onenote/sections/" + sectionId + "/pages", "text/html", NewPageXhtml(title));
    if (!answer) {
        return TOutboxOutcome::NotSent();
    }
    TOutboxOutcome outcome = ForCreate(AnswerOutcome(*answer));
    if (outcome.Result == TOutboxOutcome::Done) {
        std::lock_guard lock(m_Mutex);
        m_Created.push_back(title);
    }
    return outcome;
}

std::vector<std::string> TPageCreateKind::TakeCreated()
{
    std::lock_guard lock(m_Mutex);
    return std::exchange(m_Created, {});
}

} // namespace rz
