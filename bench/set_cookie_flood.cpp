// Set-Cookie floods of 1,000 to 20,000 lines: reading the pairs, merging them into the
// client's jar and the cookie store, and a whole probe-style GET against such a server.
// Every figure must grow linearly with the number of lines.
#include <benchmark/benchmark.h>

#include <string>

#include "bench_main.h"
#include "http/set_cookie_walk.h"
#include "http/win_http_client.h"
#include "platform/cookie_store.h"
#include "support/scripted_server.h"

namespace {

// Appending rather than "c" + std::to_string(i) keeps GCC 12's -Wrestrict false alarm away.
Text numbered(const char* prefix, int64_t i) {
    return Text(prefix).append(std::to_string(i));
}

// Lines without ";": each one used to send the search for the pair's end to the end of
// the block.
Text distinct_cookie_block(int64_t lines) {
    Text block = "HTTP/1.1 200 OK\r\n";
    for (int64_t i = 0; i < lines; ++i) {
        block += numbered("Set-Cookie: c", i) + "=" + std::to_string(i) + "\r\n";
    }
    return block + "Content-Length: 2\r\n\r\n";
}

// What fits under libcurl's cap on a response's header block (300 KiB): mostly bare
// "Set-Cookie:" lines, every 20th a distinct cookie.
std::string flood_answer(int64_t lines) {
    std::string headers;
    for (int64_t i = 0; i < lines; ++i) {
        headers += i % 20 == 0 ? numbered("Set-Cookie:c", i) + "=1\r\n" : "Set-Cookie:\r\n";
    }
    return http_answer("1.2.3.4", headers);
}

void BM_SetCookiePairs(benchmark::State& state) {
    const Text block = distinct_cookie_block(state.range(0));
    for (auto _ : state) {
        benchmark::DoNotOptimize(set_cookie_pairs(block));
    }
    state.SetComplexityN(state.range(0));
}

// The caller-side jar merge: every pair a new name.
void BM_JarMerge(benchmark::State& state) {
    Text cookies;
    for (int64_t i = 0; i < state.range(0); ++i) {
        cookies += numbered("c", i) + "=" + std::to_string(i) + "; ";
    }
    for (auto _ : state) {
        WinHttpClient client;
        client.merge_jar_cookies(cookies);
        benchmark::DoNotOptimize(client.cookie_jar());
    }
    state.SetComplexityN(state.range(0));
}

void BM_CookieStoreFlood(benchmark::State& state) {
    for (auto _ : state) {
        CookieStore store;
        for (int64_t i = 0; i < state.range(0); ++i) {
            store.set_from_header("http://a.test/", numbered("c", i) + "=1; path=/");
        }
        benchmark::DoNotOptimize(store.cookies_for("http://a.test/"));
    }
    state.SetComplexityN(state.range(0));
}

// The IP probe's use of the client: cookie mode 1 (own jar, own redirects), one GET.
void BM_ProbeSetCookieFlood(benchmark::State& state) {
    const std::string answer = flood_answer(state.range(0));
    ScriptedServer server([&](const std::string&) { return answer; });
    for (auto _ : state) {
        WinHttpClient client;
        client.set_cookie_mode();
        client.open("GET", server.url("/"));
        client.send();
        if (client.response_text_utf8() != "1.2.3.4") {
            state.SkipWithError("wrong body");
            break;
        }
    }
    state.SetComplexityN(state.range(0));
}

void flood_sizes(benchmark::internal::Benchmark* b) {
    b->Arg(1000)->Arg(10000)->Arg(20000)->Unit(benchmark::kMillisecond)->Complexity();
}

BENCHMARK(BM_SetCookiePairs)->Apply(flood_sizes);
BENCHMARK(BM_JarMerge)->Apply(flood_sizes);
BENCHMARK(BM_CookieStoreFlood)->Apply(flood_sizes);
BENCHMARK(BM_ProbeSetCookieFlood)->Apply(flood_sizes)->UseRealTime();

}  // namespace

int main(int argc, char** argv) {
    return run_benchmarks(argc, argv);
}
