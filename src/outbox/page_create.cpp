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

// A missing or full section is the user's choice to make again, not a page: say so in its own words.
TOutboxOutcome ForCreate(TOutboxOutcome outcome)
{
    if (outcome.MessageKey == "strOutboxPageGone") {
        outcome.MessageKey = "strPageCreateSectionGone";
    } else if (outcome.MessageKey == "strOutboxSectionFull") {
        outcome.MessageKey = "strPageCreateSectionFull";
    }
    return outcome;
}

// The section's name for a message that asks for another one; the service's message when the
// name cannot be read.
std::string SectionName(TOutboxLink& link, const std::string& sectionId, const std::string& fallback)
{
    const std::optional<HttpResponse> answer =
        link.Send("GET", "/onenote/sections/" + sectionId + "?$select=displayName");
    if (answer && !answer->IsHttpError() && answer->Status == 200) {
        if (std::string name = JsonText(JsonTextToObject(std::string_view(answer->Body)), "displayName");
            !name.empty()) {
            return name;
        }
    }
    return fallback;
}

Json IdsJson(const std::vector<std::string>& ids)
{
    Json list = Json::array();
    for (const std::string& id : ids) {
        list.push_back(id);
    }
    return list;
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

std::vector<std::string> PageIdsTitled(std::string_view answer, const std::string& title)
{
    std::vector<std::string> ids;
    const Json list = JsonTextToObject(answer);
    if (const Json* pages = JsonArray(list, "value")) {
        for (const Json& page : *pages) {
            if (page.is_object() && SameStoredTitle(JsonText(page, "title"), title)) {
                ids.push_back(JsonText(page, "id"));
            }
        }
    }
    return ids;
}

bool PageListHoldsTitle(std::string_view answer, const std::string& title)
{
    return !PageIdsTitled(answer, title).empty();
}

TOutboxOutcome TPageCreateKind::Send(TOutboxLink& link, TOutboxItem& item)
{
    TOutboxOutcome outcome = Attempt(link, item);
    const std::string sectionId = JsonText(item.Fields, "sectionId");
    if (outcome.Result == TOutboxOutcome::Done) {
        m_FullSections.Clear(sectionId);
    } else if (outcome.MessageKey == "strPageCreateSectionFull") {
        m_FullSections.Mark(sectionId, JsonText(item.Fields, "title"));
    }
    return outcome;
}

TOutboxOutcome TPageCreateKind::Attempt(TOutboxLink& link, TOutboxItem& item)
{
    const std::string sectionId = JsonText(item.Fields, "sectionId");
    const std::string title = JsonText(item.Fields, "title");
    if (!IsSafeGraphIdSegment(sectionId) || title.empty()) {
        return TOutboxOutcome::Refusal("strPageCreateSectionGone");
    }

    const Json* known = JsonArray(item.Fields, kKnownPagesField);
    if (item.Unconfirmed || known == nullptr) {
        // Before the first POST: the same-titled pages that stand already, which are never this
        // item's page. After a POST whose answer was lost: whether a page has come that is.
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
        const std::vector<std::string> ids = PageIdsTitled(found->Body, title);
        if (!item.Unconfirmed) {
            item.Fields[kKnownPagesField] = IdsJson(ids);
        } else if (std::any_of(ids.begin(), ids.end(), [&](const std::string& id) {
                       // An item of an earlier version knows no pages: any page of its title is its own.
                       return known == nullptr || std::find(known->begin(), known->end(), id) == known->end();
                   })) {
            std::lock_guard lock(m_Mutex);
            m_Created.push_back(title);
            return TOutboxOutcome::Finished();
        } else {
            return AfterLostCreate(item);
        }
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
    } else if (outcome.MessageKey == "strPageCreateSectionFull") {
        outcome.Detail = SectionName(link, sectionId, outcome.Detail);
    }
    return outcome;
}

TOutboxOutcome TPageCreateKind::AfterLostCreate(TOutboxItem& item)
{
    // A list can lag behind a create: look again while the lag may last since the last POST (a clock
    // set back starts the wait afresh). Past it the page is taken as never made, but a second POST
    // could make it twice, so the user decides.
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
        return TOutboxOutcome::LookAgainIn(std::min(kPageLookupPauseSeconds, kPageListLagSeconds - since));
    }
    return TOutboxOutcome::Refusal("strPageCreateUnconfirmed");
}

std::vector<std::string> TPageCreateKind::TakeCreated()
{
    std::lock_guard lock(m_Mutex);
    return std::exchange(m_Created, {});
}

} // namespace rz
