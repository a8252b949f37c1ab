// SPDX-License-Identifier: GPL-3.0-or-later
#include "util/json.h"

#include <cmath>
#include <gtest/gtest.h>
#include <string>

namespace rz {
namespace {

TEST(JsonTest, MalformedInputGivesEmptyObject)
{
    const char* malformed[] = {"",      "null",     "true",       "42",   "\"text\"",
                               "[1, 2", "{\"a\":}", "{\"a\":1}x", "\xFF", "{\"a\":\"\xC3\"}"};
    for (const char* text : malformed) {
        const Json value = JsonTextToObject(std::string_view(text));
        EXPECT_TRUE(value.is_object() && value.empty()) << text;
    }
    EXPECT_TRUE(JsonTextToObject(std::optional<std::string>()).is_object());
}

TEST(JsonTest, FailuresAreWarningsThatNeverQuoteTheText)
{
    struct Case
    {
        std::string text;
        bool logged;
    };
    const Case cases[] = {
        {R"({"access_token":"SECRET-1)", true},    // cut off
        {R"({"access_token":"SECRET-2"}x)", true}, // trailing bytes
        {R"("SECRET-3")", true},                   // a fragment
        {std::string(300, '[') + "\"SECRET-4\"" + std::string(300, ']'), true},
        {"", false}, // no text is no failure
    };
    for (const Case& c : cases) {
        testing::internal::CaptureStderr();
        JsonTextToObject(std::string_view(c.text));
        const std::string logged = testing::internal::GetCapturedStderr();
        EXPECT_EQ(logged.find("[warning]") != std::string::npos, c.logged) << c.text << ": " << logged;
        EXPECT_EQ(logged.find("SECRET"), std::string::npos) << logged;
    }
}

TEST(JsonTest, ArraysAndObjectsParse)
{
    EXPECT_EQ(JsonTextToObject(std::string_view("[1, 2]")), Json::array({1, 2}));
    const Json object = JsonTextToObject(std::string_view(R"({"value":[{"id":"x"}]})"));
    EXPECT_EQ(object["value"][0]["id"], "x");
}

TEST(JsonTest, DeepNestingIsRefused)
{
    const std::string deep = std::string(5000, '[') + std::string(5000, ']');
    const Json value = JsonTextToObject(std::string_view(deep));
    EXPECT_TRUE(value.is_object() && value.empty());
    const std::string fine = std::string(100, '[') + std::string(100, ']');
    EXPECT_TRUE(JsonTextToObject(std::string_view(fine)).is_array());
}

TEST(JsonTest, RoundTripKeepsMemberOrder)
{
    const std::string text = R"({"zeta":1,"alpha":{"b":[true,null,"ü"],"a":2.5},"mid":"x"})";
    EXPECT_EQ(JsonObjectToText(JsonTextToObject(std::string_view(text))), text);
    Json built = Json::object();
    built["second"] = 2;
    built["first"] = 1;
    EXPECT_EQ(JsonObjectToText(built), R"({"second":2,"first":1})");
}

TEST(JsonTest, SerialisingNullGivesEmptyAndInvalidTextIsReplaced)
{
    EXPECT_EQ(JsonObjectToText(Json()), "");
    Json bad = Json::object();
    bad["title"] = std::string("\xC3"); // not UTF-8
    bad["kept"] = "x";
    // One odd text costs that text, never the document; but a file must read back as it was meant.
    EXPECT_EQ(JsonObjectToText(bad), "{\"title\":\"\xEF\xBF\xBD\",\"kept\":\"x\"}");
    EXPECT_EQ(JsonTextReadingBack(bad), std::nullopt);
    bad["title"] = "\xEF\xBF\xBD";
    EXPECT_EQ(JsonTextReadingBack(bad), JsonObjectToText(bad));
    bad["nextTry"] = std::nan("");
    EXPECT_EQ(JsonTextReadingBack(bad), std::nullopt);
}

TEST(JsonTest, GraphResponseTests)
{
    EXPECT_TRUE(IsGraphListResponse(R"({"@odata.context":"x","value":[]})"));
    EXPECT_FALSE(IsGraphListResponse(R"({"@odata.context":"x"})"));
    EXPECT_TRUE(IsGraphListResponse(R"({"a":["@odata.context","value"]})"));
    EXPECT_FALSE(IsGraphListResponse(""));

    EXPECT_TRUE(IsGraphErrorResponse(R"({"error":{"code":"20185"}})"));
    EXPECT_FALSE(IsGraphErrorResponse(R"( {"error":{"code":"20185"}})"));
    EXPECT_TRUE(IsGraphErrorResponse(R"({"error": {"code":"20185"}})"));
    EXPECT_FALSE(IsGraphErrorResponse(R"({"error":"x"})"));
    EXPECT_FALSE(IsGraphErrorResponse(""));

    EXPECT_TRUE(IsPageContentResponse("<html><body/></html>"));
    EXPECT_FALSE(IsPageContentResponse("<html><body/>"));
}

// The service may indent its answers and put a blank after every colon.
TEST(JsonTest, CodesAndMembersReadAlikeIndentedOrCompact)
{
    const struct
    {
        const char* Text;
        const char* Code;
        const char* Token;
    } cases[] = {
        {R"({"error":{"code":"20185","message":"x"}})", "20185", nullptr},
        {"{\n  \"error\": {\n    \"code\": \"20166\"\n  }\n}", "20166", nullptr},
        {R"({"access_token":"a+b/c=","refresh_token":"r"})", "", "a+b/c="},
        {"{\n  \"access_token\": \"a+b/c=\",\n  \"expires_in\": 3600\n}", "", "a+b/c="},
        {R"(<html>"code":"20185"</html>)", "", nullptr},
        {R"({"value":[{"title":"\"code\":\"20166\""}]})", "", nullptr},
        {R"({"access_token":7})", "", nullptr},
        {R"({"access_token":"cut)", "", nullptr},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(GraphErrorCode(c.Text), c.Code) << c.Text;
        EXPECT_EQ(JsonMemberText(c.Text, "access_token"),
                  c.Token ? std::optional<std::string>(c.Token) : std::nullopt)
            << c.Text;
    }
}

TEST(JsonTest, GraphBaseAddressForms)
{
    EXPECT_EQ(GraphBaseAddress("abc123", false), "https://graph.microsoft.com/v1.0/me");
    EXPECT_EQ(GraphBaseAddress("a-b", false), "https://graph.microsoft.com/v1.0/users/a-b");
    EXPECT_EQ(GraphBaseAddress("user@example.com", true),
              "https://graph.microsoft.com/v1.0/users/user@example.com");
    SetGraphServiceRoot("http://127.0.0.1:8080/");
    EXPECT_EQ(GraphBaseAddress("x", false), "http://127.0.0.1:8080/v1.0/me");
    SetGraphServiceRoot("https://graph.microsoft.com");
}

} // namespace
} // namespace rz
