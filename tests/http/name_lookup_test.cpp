// A stop while the system resolver waits on a silent name server: the transfer must end
// at once, not when the resolver gives up. The test runs itself again in a private
// mount namespace whose resolv.conf names a loopback server that never answers.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <string>
#include <thread>

#include "http/web_request.h"
#include "platform/transfer_abort.h"
#include "support/child_process.h"
#include "support/temp_dir.h"

namespace {

constexpr const char* kSilentServer = "127.0.0.77";
constexpr int kCannotIsolate = 77;

TEST(NameLookup, AStopDuringALookupEndsTheTransferAtOnce) {
    if (std::getenv("DDNS_SILENT_DNS_CHILD") == nullptr) {
        if (geteuid() != 0) {
            GTEST_SKIP() << "needs root for a private mount namespace and port 53";
        }
        // Takes the queries and answers none of them.
        const int udp = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        ASSERT_GE(udp, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_port = htons(53);
        ::inet_pton(AF_INET, kSilentServer, &address.sin_addr);
        if (::bind(udp, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
            ::close(udp);
            GTEST_SKIP() << "port 53 of " << kSilentServer << " is taken";
        }
        TempDir dir;
        const std::string resolv = dir.file("resolv.conf");
        write_file_bytes(resolv, std::string("nameserver ") + kSilentServer +
                                     "\noptions timeout:10 attempts:3\n");
        const std::string hosts = dir.file("hosts");
        write_file_bytes(hosts, "127.0.0.1 localhost\n");
        setenv("DDNS_SILENT_DNS_CHILD", "1", 1);
        ChildProcess child(
            "/usr/bin/unshare",
            {"--mount", "sh", "-c",
             "mount --bind \"$0\" /etc/resolv.conf && mount --bind \"$1\" /etc/hosts || exit 77; "
             "exec \"$2\" --gtest_filter=NameLookup.AStopDuringALookupEndsTheTransferAtOnce",
             resolv, hosts, "/proc/" + std::to_string(getpid()) + "/exe"});
        unsetenv("DDNS_SILENT_DNS_CHILD");
        ASSERT_TRUE(child.started());
        const int code = child.wait_exit(120);
        ::close(udp);
        if (code == kCannotIsolate ||
            (code == 1 && child.err.find("unshare") != std::string::npos)) {
            GTEST_SKIP() << "no private mount namespace here: " << child.err;
        }
        EXPECT_EQ(code, 0) << child.out << child.err;
        return;
    }
    clear_transfer_abort();
    std::thread stopper([] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        request_transfer_abort();
    });
    const auto started = std::chrono::steady_clock::now();
    WebExchange exchange;
    web_request("http://silent-name-server.test/", kWebGet, Text(), nullptr, nullptr, Text(),
                nullptr, false, nullptr, Text(), true, true, true, &exchange);
    const auto took = std::chrono::steady_clock::now() - started;
    stopper.join();
    clear_transfer_abort();
    EXPECT_FALSE(exchange.complete);
    // The resolver alone would wait 30 s (10 s, three times).
    EXPECT_LT(took, std::chrono::seconds(3));
}

}  // namespace
