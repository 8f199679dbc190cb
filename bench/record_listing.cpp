// Listing 500 and 5,000 records into the record list of the domain and record window:
// parse the answer, read every member of every row, fill the list view.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <string>

#include "platform/toolkit.h"
#include "script/json_document.h"
#include "ui/domain_record_window.h"

namespace {

// An answer of DescribeDomainRecords as the service writes it (GBK after decoding).
Text record_answer(int records) {
    Text json = "{\"TotalCount\":" + std::to_string(records) +
                ",\"PageSize\":500,\"RequestId\":\"536E9CAD-DB30-4647-AC87-AA5CC38C5382\","
                "\"DomainRecords\":{\"Record\":[";
    for (int i = 0; i < records; ++i) {
        const Text n = std::to_string(i);
        json += (i == 0 ? "" : ",");
        json += "{\"RR\":\"" + (i % 10 == 0 ? "主机" + n : "host" + n) +
                "\",\"Line\":\"default\",\"Status\":\"ENABLE\",\"Locked\":false,\"Type\":\"A\","
                "\"DomainName\":\"example.com\",\"Value\":\"10.0." +
                std::to_string(i / 256) + "." + std::to_string(i % 256) +
                "\",\"RecordId\":\"98765432109876" + n + "\",\"TTL\":600,\"Weight\":1}";
    }
    return json + "]},\"PageNumber\":1}";
}

void BM_ListRecords(benchmark::State& state) {
    const int count = static_cast<int>(state.range(0));
    const Text answer = record_answer(count);
    DomainRecordWindow window;
    for (auto _ : state) {
        JsonDocument document;
        document.parse(answer);
        const JsonDocument records = document.get_object("DomainRecords.Record");
        window.show_records(records);
        benchmark::DoNotOptimize(window.record_list().row_count());
    }
    if (window.record_list().row_count() != count ||
        window.record_list().cell(count - 1, 5) != "98765432109876" + std::to_string(count - 1)) {
        state.SkipWithError("the record list was not filled");
    }
}
BENCHMARK(BM_ListRecords)->Arg(500)->Arg(5000)->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    Application application(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
