// WinHttpClient::set_option: which handle, option and length it takes, what each changes,
// and that it refuses the rest.
#include <gtest/gtest.h>

#include "http/win_http_client.h"
#include "platform/http_transport.h"
#include "support/loopback_server.h"

namespace {

enum class Field { none, resolve, connect, send, receive, redirects };

int field_value(const HttpSession& session, Field field) {
    switch (field) {
        case Field::resolve:
            return session.timeouts().resolve;
        case Field::connect:
            return session.timeouts().connect;
        case Field::send:
            return session.timeouts().send;
        case Field::receive:
            return session.timeouts().receive;
        case Field::redirects:
            return session.max_redirects();
        case Field::none:
            break;
    }
    return 0;
}

TEST(WinHttpClientOptions, TakesTheKnownOptionsOnTheirHandleAndRefusesTheRest) {
    struct Case {
        const char* name;
        bool opened;  // connection and request handles exist
        int kind;
        int option;
        std::uint32_t value;
        int length;
        bool taken;
        Field field;  // the session value it sets to `value`
    };
    const Case cases[] = {
        {"resolve time-out", false, 0, 2, 1234, 4, true, Field::resolve},
        {"connect time-out", false, 0, 3, 2345, 4, true, Field::connect},
        {"send time-out", false, 0, 5, 3456, 4, true, Field::send},
        {"receive time-out", false, 0, 6, 4567, 4, true, Field::receive},
        {"redirect hops", false, 0, 89, 7, 4, true, Field::redirects},
        {"any other kind means the session", false, 9, 6, 5678, 4, true, Field::receive},
        {"unknown session option", false, 0, 4, 1, 4, false, Field::none},
        {"length other than 4", false, 0, 6, 100, 8, false, Field::none},
        {"length 0", false, 0, 6, 100, 0, false, Field::none},
        {"connection without one", false, 1, 6, 100, 4, false, Field::none},
        {"request without one", false, 2, 63, 2, 4, false, Field::none},
        {"time-out on the connection", true, 1, 6, 100, 4, false, Field::none},
        {"time-out on the request", true, 2, 6, 100, 4, false, Field::none},
        {"disable cookies", true, 2, 63, 1, 4, true, Field::none},
        {"disable redirects", true, 2, 63, 2, 4, true, Field::none},
        {"security flags", true, 2, 31, 0x3300, 4, true, Field::none},
        {"security flags on the session", true, 0, 31, 0x3300, 4, false, Field::none},
        {"disable feature on the session", true, 0, 63, 2, 4, false, Field::none},
    };
    for (const Case& c : cases) {
        WinHttpClient client;
        if (c.opened) {
            ASSERT_TRUE(client.open("GET", "http://127.0.0.1:9/")) << c.name;
        }
        EXPECT_EQ(client.set_option(c.kind, c.option, c.value, c.length), c.taken) << c.name;
        if (c.field != Field::none) {
            EXPECT_EQ(field_value(*client.session_handle(), c.field), static_cast<int>(c.value))
                << c.name;
        }
    }
}

TEST(WinHttpClientOptions, DisablingRedirectsOnTheRequestStopsAtTheFirstAnswer) {
    LoopbackServer server;
    server.server().Get(
        "/from", [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/to"); });
    server.server().Get("/to", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("arrived", "text/plain");
    });
    ASSERT_TRUE(server.start()) << server.failure();
    struct Case {
        std::uint32_t disable;
        int status;
        Text body;
    };
    const Case cases[] = {{0, 200, "arrived"}, {1, 200, "arrived"}, {2, 302, ""}};
    for (const Case& c : cases) {
        WinHttpClient client;
        ASSERT_TRUE(client.open("GET", server.url("/from")));
        if (c.disable != 0) {
            ASSERT_TRUE(client.set_option(2, 63, c.disable, 4));
        }
        ASSERT_TRUE(client.send()) << c.disable;
        EXPECT_EQ(client.status_code(), c.status) << c.disable;
        EXPECT_EQ(client.response_text(), c.body) << c.disable;
    }
}

}  // namespace
