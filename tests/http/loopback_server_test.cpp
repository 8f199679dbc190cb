// The loopback server the network tests stand on: a server that cannot listen makes
// start() fail at once with its reason, rather than hang the test.
#include "support/loopback_server.h"

#include <gtest/gtest.h>

#include <chrono>

TEST(LoopbackServer, AServerThatCannotListenFailsAtOnceWithTheReason) {
    TestCertificates missing;
    missing.server_cert_file = "/nonexistent/cert.pem";
    missing.server_key_file = "/nonexistent/key.pem";
    LoopbackServer server(missing);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(server.start());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(1));
    EXPECT_EQ(server.failure(),
              "LoopbackServer::start: the server is not valid (certificate or key not loaded)");
}

TEST(LoopbackServer, AWorkingServerHasNoFailure) {
    LoopbackServer server;
    ASSERT_TRUE(server.start()) << server.failure();
    EXPECT_EQ(server.failure(), "");
    EXPECT_GT(server.port(), 0);
}
