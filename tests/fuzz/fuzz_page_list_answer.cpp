// SPDX-License-Identifier: GPL-3.0-or-later
// A page-list answer comes from the network: the known-pages check must take any bytes, never
// crash, and ask for a next page only with an address to ask.
#include "reminders/known_pages.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view answer(reinterpret_cast<const char*>(data), size);
    rz::TKnownPages pages;
    const std::vector<rz::TKnownPages::Page> known = {
        {"0-a!1-b", std::nullopt}, {"0-c!1-d", rz::Date{1700000000.0}}, {"page-1", rz::Date{1800000000.0}}};
    pages.BeginCheck(rz::Date{1800000500.0}, known);
    std::string next;
    const auto step = pages.TakeListAnswer(answer, next);
    if (step == rz::TKnownPages::ListStep::Next && next.empty()) {
        __builtin_trap();
    }
    for (const std::string& id : pages.PlanReads()) {
        if (id != known[0].pageId && id != known[1].pageId && id != known[2].pageId) {
            __builtin_trap();
        }
        pages.ReadAnswered(id, true);
    }
    pages.EndCheck();
    return 0;
}
