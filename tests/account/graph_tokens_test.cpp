// SPDX-License-Identifier: GPL-3.0-or-later
#include "account/endpoints.h"
#include "account/graph_tokens.h"
#include "local_server.h"

#include <atomic>
#include <gtest/gtest.h>

namespace rz {
namespace {

TEST(TokenFormTest, EveryValueIsPercentEncodedInTheFixedOrder)
{
    SetEndpoints(Endpoints());
    EXPECT_EQ(CodeExchangeForm("cid", "M.c+1&x=%"),
              "grant_type=authorization_code&client_id=cid&code=M.c%2B1%26x%3D%25"
              "&redirect_uri=https%3A%2F%2Flogin.live.com%2Foauth20_desktop.srf");
    EXPECT_EQ(RefreshForm("cid", "r/t=="),
              "grant_type=refresh_token&client_id=cid&refresh_token=r%2Ft%3D%3D"
              "&redirect_uri=https%3A%2F%2Flogin.live.com%2Foauth20_desktop.srf");
}

// Probe answers the emulator has no route for: redirects, a redirect loop, a 401 at the root.
class ProbeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto& s = m_Server.Server();
        s.Get("/", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/start", 301); });
        s.Get("/start", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<!DOCTYPE html><html><body>Graph</body></html>", "text/html");
        });
        s.Get("/loop/",
              [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/loop/", 301); });
        s.Get("/denied/", [](const httplib::Request&, httplib::Response& res) {
            res.status = 401;
            res.set_content("<html>denied</html>", "text/html");
        });
        s.Get("/json/", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("{\"ok\":\"<html></html\"}", "application/json");
        });
        m_Server.Start();
    }
    void TearDown() override { SetEndpoints(Endpoints()); }

    bool ProbeAt(const std::string& root)
    {
        Endpoints endpoints;
        endpoints.GraphEndpoint = root;
        SetEndpoints(endpoints);
        return IsGraphReachable();
    }

    test::LocalServer m_Server;
};

TEST_F(ProbeTest, RedirectsAreFollowedAndThePageJudgedByItsText)
{
    EXPECT_TRUE(ProbeAt(m_Server.Root()));
    EXPECT_FALSE(ProbeAt(m_Server.Root() + "/json"));
}

TEST_F(ProbeTest, RedirectsPastTheLimitMeanTheServiceAnswered)
{
    EXPECT_TRUE(ProbeAt(m_Server.Root() + "/loop"));
}

TEST_F(ProbeTest, OtherHttpLayerErrorsMeanNotReachable)
{
    EXPECT_FALSE(ProbeAt(m_Server.Root() + "/denied"));
    EXPECT_FALSE(ProbeAt("http://127.0.0.1:" + std::to_string(test::ClosedLoopbackPort())));
}

TEST(TokenRequestTest, RedirectIsAFailedRequestThatSendsTheFormNowhere)
{
    test::LocalServer server;
    std::atomic<int> caught{0};
    for (const int status : {301, 302, 303, 307, 308}) {
        server.Server().Post("/" + std::to_string(status) + "/common/oauth2/v2.0/token",
                             [status](const httplib::Request&, httplib::Response& res) {
                                 res.set_redirect("/catch", status);
                             });
    }
    server.Server().Post("/catch", [&caught](const httplib::Request&, httplib::Response&) { ++caught; });
    server.Server().Get("/catch", [&caught](const httplib::Request&, httplib::Response&) { ++caught; });
    server.Start();
    for (const int status : {301, 302, 303, 307, 308}) {
        Endpoints endpoints;
        endpoints.IdentityEndpoint = server.Root() + "/" + std::to_string(status);
        SetEndpoints(endpoints);
        const HttpResponse response = PostTokenForm(RefreshForm("cid", "rt"));
        EXPECT_EQ(response.Failure, HttpFailure::Transport) << status;
    }
    SetEndpoints(Endpoints());
    EXPECT_EQ(caught.load(), 0);
}

} // namespace
} // namespace rz
