// Reading a DescribeDomainRecords answer of 500 records the way the record list does:
// parse, take the list, then every member of every row through JsonDocument; and a
// hostile answer as large as the API client takes (8 MiB) made of empty objects, which
// the value budget refuses early (it used to take seconds and half a gigabyte).
#include <benchmark/benchmark.h>

#include <string>

#include "platform/codepage.h"
#include "script/json_document.h"

namespace {

constexpr int kRecords = 500;

std::string records_answer() {
    std::string json = R"({"TotalCount":500,"PageNumber":1,"PageSize":500,)"
                       R"("RequestId":"536E9CAD-DB30-4647-AC87-AA5CC38C5382",)"
                       R"("DomainRecords":{"Record":[)";
    for (int i = 0; i < kRecords; ++i) {
        if (i > 0) {
            json += ",";
        }
        // Every tenth host record is Chinese (主机N), as UTF-8.
        std::string rr = i % 10 == 0 ? "\xE4\xB8\xBB\xE6\x9C\xBA" + std::to_string(i)
                                     : "host" + std::to_string(i);
        json += R"({"RR":")" + rr + R"(","Status":")" + (i % 7 == 0 ? "DISABLE" : "ENABLE") +
                R"(","Value":"203.0.113.)" + std::to_string(i % 250) +
                R"(","Weight":1,"RecordId":"1849503947363)" + std::to_string(100000 + i) +
                R"(","Type":"A","DomainName":"example.com","Locked":false,"Line":"default",)"
                R"("TTL":600,"Priority":0})";
    }
    json += "]}}";
    return json;
}

const char* const kMembers[] = {"RR", "Type", "Value", "TTL", "Status", "RecordId"};

template <typename Parse>
void read_listing(benchmark::State& state, Parse parse) {
    for (auto _ : state) {
        JsonDocument answer;
        parse(answer);
        JsonDocument list = answer.get_object("DomainRecords.Record");
        const int count = list.count();
        std::size_t bytes = 0;
        for (int i = 0; i < count; ++i) {
            JsonDocument row = list.get_item_object(i);
            for (const char* member : kMembers) {
                bytes += row.get_json(member).size();
            }
        }
        if (count != kRecords) {
            state.SkipWithError("wrong record count");
        }
        benchmark::DoNotOptimize(bytes);
    }
}

void BM_ListingFromUtf8Answer(benchmark::State& state) {
    const std::string answer = records_answer();
    read_listing(state, [&](JsonDocument& doc) { doc.parse_utf8(answer); });
}

// The answer decoded to GBK first, as a caller holding GBK text would pass it.
void BM_ListingFromGbkAnswer(benchmark::State& state) {
    const Text answer = utf8_to_gbk_text(records_answer());
    read_listing(state, [&](JsonDocument& doc) { doc.parse(answer); });
}

void BM_HostileAnswerOfEmptyObjects(benchmark::State& state) {
    std::string answer = R"({"RecordId":"1","x":[{})";
    while (answer.size() < 8u * 1024u * 1024u - 8) {
        answer += ",{}";
    }
    answer += "]}";
    for (auto _ : state) {
        JsonDocument document;
        document.parse_utf8(answer);
        benchmark::DoNotOptimize(document);
    }
}

}  // namespace

BENCHMARK(BM_HostileAnswerOfEmptyObjects)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListingFromUtf8Answer)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ListingFromGbkAnswer)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
