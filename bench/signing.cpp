// Throughput of our SHA-1 against OpenSSL's, HMAC-SHA1 over a string-to-sign-sized
// message, and the cost of signing one request.
#include <benchmark/benchmark.h>
#include <openssl/sha.h>

#include "bench_main.h"
#include "crypto/hmac_sha1.h"
#include "crypto/sha1.h"
#include "dnsapi/signing.h"

namespace {

Bytes message_of(std::size_t size) {
    Bytes bytes(size);
    for (std::size_t i = 0; i < size; ++i) {
        bytes[i] = static_cast<std::uint8_t>(i * 131 + 7);
    }
    return bytes;
}

void BM_Sha1Ours(benchmark::State& state) {
    const Bytes message = message_of(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(sha1(message));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Sha1Ours)->Arg(64)->Arg(1024)->Arg(1 << 20);

void BM_Sha1OursWords(benchmark::State& state) {
    const Bytes message = message_of(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        benchmark::DoNotOptimize(sha1_words(bytes_to_words(message), 8 * message.size()));
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Sha1OursWords)->Arg(64)->Arg(1024)->Arg(1 << 20);

void BM_Sha1OpenSsl(benchmark::State& state) {
    const Bytes message = message_of(static_cast<std::size_t>(state.range(0)));
    unsigned char digest[SHA_DIGEST_LENGTH];
    for (auto _ : state) {
        SHA1(message.data(), message.size(), digest);
        benchmark::DoNotOptimize(digest);
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * state.range(0));
}
BENCHMARK(BM_Sha1OpenSsl)->Arg(64)->Arg(1024)->Arg(1 << 20);

void BM_HmacSha1(benchmark::State& state) {
    const Bytes message = message_of(300);
    const Bytes key = text_to_bytes("a-typical-30-character-secret&");
    for (auto _ : state) {
        benchmark::DoNotOptimize(hmac_sha1(message, key));
    }
}
BENCHMARK(BM_HmacSha1);

void BM_SignRequest(benchmark::State& state) {
    const ApiAccess access = {"", "LTAI5tAbCdEfGhIjKlMnOpQr", "AbCdEfGhIjKlMnOpQrStUvWxYz0123"};
    for (auto _ : state) {
        benchmark::DoNotOptimize(sign_request(
            access,
            "&Action=UpdateDomainRecord&Value=203.0.113.7&Type=A&RR=www&RecordId=1234567890"));
    }
}
BENCHMARK(BM_SignRequest);

}  // namespace

int main(int argc, char** argv) {
    return run_benchmarks(argc, argv);
}
