// SPDX-License-Identifier: GPL-3.0-or-later
// Done sends back an element of the user's page: whatever the page holds, the element sent is the
// page's own bytes but for its ids and tags, and it reads as ticked. Anything else is refused.
#include "mirror/todo_queue.h"
#include "reminders/reminder.h"
#include "reminders/tag_reader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

// The text without any blank-led id="…" or data-tag="…" (either quote): what Done may change.
std::string WithoutIdsAndTags(std::string_view text)
{
    std::string out;
    std::size_t at = 0;
    while (at < text.size()) {
        bool cut = false;
        if (IsBlank(text[at])) {
            for (const std::string_view name : {std::string_view("id="), std::string_view("data-tag=")}) {
                const std::size_t quote = at + 1 + name.size();
                if (text.compare(at + 1, name.size(), name) != 0 || quote >= text.size() ||
                    (text[quote] != '"' && text[quote] != '\''))
                    continue;
                const std::size_t close = text.find(text[quote], quote + 1);
                if (close == std::string_view::npos)
                    continue;
                at = close + 1;
                cut = true;
                break;
            }
        }
        if (!cut)
            out += text[at++];
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view content(reinterpret_cast<const char*>(data), size);
    const auto elements = rz::ReadTaggedElements(content);
    if (!elements)
        return 0;
    const std::string page = WithoutIdsAndTags(content);
    for (const rz::TTaggedElement& element : *elements) {
        if (element.Id.empty())
            continue;
        const rz::TCompletedElement done = rz::CompleteElement(content, element.Id);
        if (done.Result != rz::TCompletedElement::Ok)
            continue;
        if (page.find(WithoutIdsAndTags(done.Html)) == std::string::npos)
            __builtin_trap();
        const auto sent = rz::ReadTaggedElements(done.Html);
        if (!sent || sent->empty() || rz::HasOpenToDoTag(sent->front().DataTag))
            __builtin_trap();
    }
    return 0;
}
