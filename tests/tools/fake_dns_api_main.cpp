// Runs the fake cloud DNS endpoint by hand, to try the program against it (the demo of
// scripts/run uses it): one account with one record, every request printed, until
// SIGINT or SIGTERM. With --ip-page SECONDS it also serves an IP line whose address
// changes every SECONDS seconds.
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "support/fake_dns_api.h"
#include "support/loopback_server.h"

int main(int argc, char** argv) {
    int first = 1;
    std::string cert, key;
    int page_seconds = 0;
    if (argc > first + 1 && std::strcmp(argv[first], "--ip-page") == 0) {
        page_seconds = std::max(1, std::atoi(argv[first + 1]));
        first += 2;
    }
    if (argc > first + 2 && std::strcmp(argv[first], "--https") == 0) {
        cert = argv[first + 1];
        key = argv[first + 2];
        first += 3;
    }
    if (argc - first < 5) {
        std::fprintf(
            stderr,
            "usage: %s [--ip-page SECONDS] [--https CERT KEY] KEY_ID SECRET DOMAIN RR VALUE "
            "[RECORD_ID]\n"
            "Then run the client with DDNS_API_URL set to the printed URL.\n",
            argv[0]);
        return 2;
    }
    // Block the stop signals before the server's threads start, so only sigwait sees them.
    sigset_t stop_signals;
    sigemptyset(&stop_signals);
    sigaddset(&stop_signals, SIGINT);
    sigaddset(&stop_signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stop_signals, nullptr);

    FakeDnsApi fake = cert.empty() ? FakeDnsApi() : FakeDnsApi(cert, key);
    if (!fake.is_running()) {
        std::fprintf(stderr, "the server did not start\n");
        return 1;
    }
    fake.set_access_key(argv[first], argv[first + 1]);
    std::string record_id = fake.add_record(argv[first + 2], argv[first + 3], argv[first + 4], "A",
                                            "ENABLE", argc - first > 5 ? argv[first + 5] : "");
    fake.set_observer([](const FakeRequest& request, const FakeAnswer& answer) {
        std::printf("%s %s -> %d %s", request.method.c_str(), request.param("Action").c_str(),
                    answer.http_status, answer.code.c_str());
        if (request.param("Action") == "UpdateDomainRecord") {
            std::printf(" (RR=%s Value=%s)", request.param("RR").c_str(),
                        request.param("Value").c_str());
        }
        std::printf("\n");
        std::fflush(stdout);
    });
    // The demo's IP line: 203.0.113.10, .11, ... one step every page_seconds.
    LoopbackServer page;
    const auto page_started = std::chrono::steady_clock::now();
    if (page_seconds > 0) {
        page.server().Get("/ip", [&](const httplib::Request&, httplib::Response& res) {
            const auto elapsed = std::chrono::duration_cast<std::chrono::seconds>(
                std::chrono::steady_clock::now() - page_started);
            const long step = static_cast<long>(elapsed.count() / page_seconds) % 200;
            res.set_content("<p>IP: 203.0.113." + std::to_string(10 + step) + "</p>",
                            "text/html; charset=utf-8");
        });
        if (!page.start()) {
            std::fprintf(stderr, "the IP page did not start\n");
            return 1;
        }
    }
    std::printf("url: %s\nrecord: %s %s.%s = %s\n", fake.url().c_str(), record_id.c_str(),
                argv[first + 3], argv[first + 2], argv[first + 4]);
    if (page_seconds > 0) {
        std::printf("ip page: %s\n", page.url("/ip").c_str());
    }
    std::fflush(stdout);

    int signal_number = 0;
    sigwait(&stop_signals, &signal_number);
    auto record = fake.record(record_id);
    std::printf("stopped; record %s holds %s\n", record_id.c_str(), record->value.c_str());
    return 0;
}
