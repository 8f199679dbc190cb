// One WinHttpClient GET of a 1 KiB page on loopback (construction, open, send, text,
// destruction), with the curl command's time for the same URL as the reference.
#include <benchmark/benchmark.h>

#include <chrono>
#include <cstdlib>

#include "bench_main.h"
#include "http/win_http_client.h"
#include "support/loopback_server.h"

namespace {

LoopbackServer& page_server() {
    static LoopbackServer* server = [] {
        auto* made = new LoopbackServer();
        made->server().Get("/page", [](const httplib::Request&, httplib::Response& res) {
            res.set_content(std::string(1024, 'p'), "text/plain");
        });
        made->start();
        return made;
    }();
    return *server;
}

void BM_WinHttpClientGet1KiB(benchmark::State& state) {
    const Text url = page_server().url("/page");
    for (auto _ : state) {
        WinHttpClient client;
        client.open("GET", url);
        client.send();
        Text text = client.response_text();
        if (text.size() != 1024) {
            state.SkipWithError("short page");
            break;
        }
        benchmark::DoNotOptimize(text);
    }
}
BENCHMARK(BM_WinHttpClientGet1KiB)->Unit(benchmark::kMicrosecond)->UseRealTime();

// Process start included, as a user of the command sees it.
void BM_CurlCommandGet1KiB(benchmark::State& state) {
    const std::string command = "curl -s -o /dev/null '" + page_server().url("/page") + "'";
    for (auto _ : state) {
        if (std::system(command.c_str()) != 0) {
            state.SkipWithError("curl failed");
            break;
        }
    }
}
BENCHMARK(BM_CurlCommandGet1KiB)->Unit(benchmark::kMicrosecond)->UseRealTime()->Iterations(50);

}  // namespace

int main(int argc, char** argv) {
    return run_benchmarks(argc, argv, [] { page_server().stop(); });
}
