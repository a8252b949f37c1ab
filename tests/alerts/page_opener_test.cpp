// SPDX-License-Identifier: GPL-3.0-or-later
#include "alerts/page_opener.h"
#include "util/files.h"

#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace rz {
namespace {

constexpr const char* kPages =
    R"({"value":[{"id":"P1","links":{"oneNoteClientUrl":{"href":"onenote:https://d/x.one#P1"},)"
    R"("oneNoteWebUrl":{"href":"https://onedrive.example/P1"}}},{"id":"P2"}]})";

TEST(PageOpenerTest, ChoosesTheClientLinkOnlyWithAHandler)
{
    struct Case
    {
        bool handler;
        std::string pageId;
        std::string opened;
    };
    const Case cases[] = {
        {false, "P1", "https://onedrive.example/P1"},
        {true, "P1", "onenote:https://d/x.one#P1&object-id=9"},
        // No web address known: the client link all the same.
        {false, "P2", "onenote:https://d/x.one#P1&object-id=9"},
        {false, "P9", "onenote:https://d/x.one#P1&object-id=9"},
    };
    for (const Case& c : cases) {
        std::vector<std::string> opened;
        SetUrlOpener([&](const std::string& url) { opened.push_back(url); });
        int asked = 0;
        TPageOpener opener([&] { return ++asked, c.handler; }, [] { return std::string(kPages); });
        opener.Open("onenote:https://d/x.one#P1&object-id={9}", c.pageId);
        opener.Open("", c.pageId);
        SetUrlOpener({});
        ASSERT_FALSE(opened.empty()) << c.pageId;
        EXPECT_EQ(opened[0], c.opened) << c.handler << c.pageId;
        EXPECT_EQ(asked, 1);
    }
    EXPECT_EQ(PageAddressToOpen("", "", false), "");
}

} // namespace
} // namespace rz
