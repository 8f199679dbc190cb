// The update cycle's costs: the CPU time of a check that finds the address
// unchanged (IP page on loopback), and the headless program as a service runs
// it: start to first log line, resident memory and CPU use while idle.
#include <benchmark/benchmark.h>
#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <fstream>
#include <sstream>
#include <thread>

#include "app/settings.h"
#include "app/update_cycle.h"
#include "bench_main.h"
#include "platform/toolkit.h"
#include "support/child_process.h"
#include "support/fake_dns_api.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"

namespace {

constexpr double kPatience = 30.0;

LoopbackServer& ip_page() {
    static LoopbackServer* server = [] {
        auto* made = new LoopbackServer();
        made->server().Get("/ip", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("<html><body>Your IP: 203.0.113.7</body></html>", "text/html");
        });
        made->start();
        return made;
    }();
    return *server;
}

// The program beside the benchmark's folder: build/bench/.. holds ddns.
std::string program_path() {
    char buffer[4096];
    ssize_t n = readlink("/proc/self/exe", buffer, sizeof buffer - 1);
    std::string self(buffer, n > 0 ? static_cast<std::size_t>(n) : 0);
    std::string dir = self.substr(0, self.rfind('/'));
    return dir.substr(0, dir.rfind('/')) + "/ddns";
}

// CPU time of the benchmark's thread: the servers' threads are not counted.
void BM_CheckWithUnchangedAddress(benchmark::State& state) {
    TempDir dir;
    set_settings_file_override(dir.file("ddns_config.ini"));
    Settings& s = settings();
    s.current_line = 1;
    s.line_urls[1] = ip_page().url("/ip");
    s.resolved_ip = Text("203.0.113.7");
    s.access_key_id = Text("key-id");
    s.access_secret = Text("key-secret");
    s.domain_name = Text("example.com");
    s.record_id = Text("1");
    s.host_record = Text("www");
    s.is_running = 1;
    Timer timer("时钟1");
    UpdateCycle cycle(timer);
    for (auto _ : state) {
        cycle.check();
        if (s.is_running != 1) {
            state.SkipWithError("the check stopped the cycle");
            break;
        }
    }
    timer.set_period(0);
    s = Settings();
    set_settings_file_override("");
}
BENCHMARK(BM_CheckWithUnchangedAddress)->Unit(benchmark::kMicrosecond);

// A headless program against the fake endpoint, with a settings file in `dir`.
struct HeadlessRun {
    TempDir dir;
    FakeDnsApi fake;
    std::string config = dir.file("ddns.ini");
    std::unique_ptr<ChildProcess> child;

    explicit HeadlessRun(const std::string& resolved_ip) {
        fake.set_access_key("key-id", "key-secret");
        std::string id = fake.add_record("example.com", "www", "192.0.2.1");
        std::ofstream(config) << "[当前IP线路]\r\n线路=1\r\n[IP线路]\r\n线路1="
                              << ip_page().url("/ip")
                              << "\r\n[aliyun]\r\naccessKeyId=key-id\r\naccessSecret=key-secret"
                              << "\r\n当前解析IP=" << resolved_ip
                              << "\r\n当前解析域名=example.com\r\n当前解析ID=" << id
                              << "\r\n当前主机记录=www\r\n";
        setenv("DDNS_API_URL", fake.url().c_str(), 1);
    }
    void start() {
        child = std::make_unique<ChildProcess>(
            program_path(), std::vector<std::string>{"--headless", "--config", config});
    }
    ~HeadlessRun() {
        if (child && child->started()) {
            kill(child->pid(), SIGTERM);
            child->wait_exit(kPatience);
        }
        unsetenv("DDNS_API_URL");
    }
};

void BM_HeadlessStartToFirstLogLine(benchmark::State& state) {
    for (auto _ : state) {
        HeadlessRun run("203.0.113.7");
        auto begin = std::chrono::steady_clock::now();
        run.start();
        if (!run.child->wait_for_output("\n", kPatience)) {
            state.SkipWithError("no log line");
            break;
        }
        auto end = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(end - begin).count());
    }
}
BENCHMARK(BM_HeadlessStartToFirstLogLine)
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(20);

std::string proc_file(pid_t pid, const char* name) {
    std::ifstream in("/proc/" + std::to_string(pid) + "/" + name);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// "VmRSS:    12345 kB" -> 12345.
long status_kilobytes(pid_t pid, const std::string& key) {
    std::string status = proc_file(pid, "status");
    std::size_t at = status.find(key + ":");
    return at == std::string::npos ? -1 : std::stol(status.substr(at + key.size() + 1));
}

// utime + stime in clock ticks (fields 14 and 15, after the parenthesised name).
long cpu_ticks(pid_t pid) {
    std::string stat = proc_file(pid, "stat");
    std::istringstream fields(stat.substr(stat.rfind(')') + 2));
    std::string field;
    long utime = 0;
    long stime = 0;
    for (int i = 3; i <= 15 && fields >> field; ++i) {
        if (i == 14) {
            utime = std::stol(field);
        } else if (i == 15) {
            stime = std::stol(field);
        }
    }
    return utime + stime;
}

// One run: the first check updates the record, then the program waits for the next tick.
void BM_HeadlessIdleBetweenChecks(benchmark::State& state) {
    const int idle_seconds = 5;
    for (auto _ : state) {
        HeadlessRun run("192.0.2.1");
        run.start();
        // "等待60s后再次检测..." in UTF-8 ends each check.
        if (!run.child->wait_for_output("60s", kPatience)) {
            state.SkipWithError("the first check did not end");
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        const pid_t pid = run.child->pid();
        const long ticks_before = cpu_ticks(pid);
        std::this_thread::sleep_for(std::chrono::seconds(idle_seconds));
        const long ticks_after = cpu_ticks(pid);
        state.counters["rss_kB"] = static_cast<double>(status_kilobytes(pid, "VmRSS"));
        // The program's own memory; the rest of VmRSS is clean pages of shared libraries.
        state.counters["rss_anon_kB"] = static_cast<double>(status_kilobytes(pid, "RssAnon"));
        state.counters["rss_peak_kB"] = static_cast<double>(status_kilobytes(pid, "VmHWM"));
        state.counters["idle_cpu_ticks"] = static_cast<double>(ticks_after - ticks_before);
        state.counters["idle_seconds"] = idle_seconds;
        state.counters["ticks_per_s"] = static_cast<double>(sysconf(_SC_CLK_TCK));
    }
}
BENCHMARK(BM_HeadlessIdleBetweenChecks)->Unit(benchmark::kSecond)->Iterations(1);

}  // namespace

int main(int argc, char** argv) {
    return run_benchmarks(argc, argv, [] { ip_page().stop(); });
}
