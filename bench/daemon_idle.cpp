// What the programs cost while they wait: the daemon (ddnsd) and the window program's
// headless mode (ddns --headless), each against the fake DNS endpoint and an IP page on
// loopback. Reports the time from the process start to its first log line, resident and
// anonymous memory once idle, and the wake-ups (context switches of every thread) over
// an idle stretch between two checks. Usage: bench_daemon_idle [BUILD_DIR] [IDLE_SECONDS]
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "spawn_program.h"
#include "support/fake_dns_api.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"

namespace {

using Clock = std::chrono::steady_clock;

long status_field(pid_t pid, const std::string& task, const std::string& name) {
    std::ifstream in("/proc/" + std::to_string(pid) + task + "/status");
    std::string line;
    while (std::getline(in, line)) {
        if (line.rfind(name + ":", 0) == 0) {
            return std::atol(line.c_str() + name.size() + 1);
        }
    }
    return 0;
}

// Context switches of every thread of the process.
long switches(pid_t pid) {
    long total = 0;
    const std::string tasks = "/proc/" + std::to_string(pid) + "/task";
    for (const auto& entry : std::filesystem::directory_iterator(tasks)) {
        const std::string task = "/task/" + entry.path().filename().string();
        total += status_field(pid, task, "voluntary_ctxt_switches") +
                 status_field(pid, task, "nonvoluntary_ctxt_switches");
    }
    return total;
}

struct Figures {
    double first_line_ms = 0;
    double rss_mb = 0;
    double anon_mb = 0;
    long wakeups = 0;
    int threads = 0;
};

Figures measure(const std::vector<std::string>& command, int idle_seconds) {
    Figures f;
    int out = -1;
    const Clock::time_point started = Clock::now();
    const pid_t pid = spawn_program(command, out);
    if (pid < 0) {
        return f;
    }
    std::string text;
    char buffer[4096];
    // "等待60s" ends the first check.
    const std::string check_done =
        "\xE7\xAD\x89\xE5\xBE\x85"
        "60s";
    while (text.find(check_done) == std::string::npos) {
        pollfd entry{out, POLLIN, 0};
        if (poll(&entry, 1, 10000) <= 0) {
            break;
        }
        ssize_t n = read(out, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        if (text.empty()) {
            f.first_line_ms =
                std::chrono::duration<double, std::milli>(Clock::now() - started).count();
        }
        text.append(buffer, static_cast<std::size_t>(n));
    }
    std::this_thread::sleep_for(std::chrono::seconds(1));
    const long before = switches(pid);
    std::this_thread::sleep_for(std::chrono::seconds(idle_seconds));
    f.wakeups = switches(pid) - before;
    f.rss_mb = static_cast<double>(status_field(pid, "", "VmRSS")) / 1024.0;
    f.anon_mb = static_cast<double>(status_field(pid, "", "RssAnon")) / 1024.0;
    f.threads = static_cast<int>(status_field(pid, "", "Threads"));
    kill(pid, SIGTERM);
    waitpid(pid, nullptr, 0);
    close(out);
    return f;
}

}  // namespace

int main(int argc, char** argv) {
    std::string build = argc > 1 ? argv[1] : std::string();
    if (build.empty()) {
        char self[4096];
        ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
        build = std::string(self, n > 0 ? static_cast<std::size_t>(n) : 0);
        build = build.substr(0, build.rfind('/')) + "/..";
    }
    const int idle_seconds = argc > 2 ? std::atoi(argv[2]) : 20;

    FakeDnsApi fake;
    fake.set_access_key("key-id", "key-secret");
    const std::string record_id = fake.add_record("example.com", "www", "203.0.113.7");
    LoopbackServer page;
    page.server().Get("/ip", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("IP: 203.0.113.7", "text/plain");
    });
    page.start();
    setenv("DDNS_API_URL", fake.url().c_str(), 1);
    TempDir dir;
    const std::string config = dir.file("ddns_config.ini");

    std::printf("%-16s %14s %9s %9s %8s %16s\n", "program", "first line", "idle RSS", "anon",
                "threads", "wake-ups idle");
    const std::vector<std::vector<std::string>> programs = {
        {build + "/ddnsd", "--config", config},
        {build + "/ddns", "--headless", "--config", config},
    };
    for (const auto& command : programs) {
        write_file_bytes(config,
                         "[\xB5\xB1\xC7\xB0IP\xCF\xDF\xC2\xB7]\r\n\xCF\xDF\xC2\xB7=1\r\n"
                         "[IP\xCF\xDF\xC2\xB7]\r\n\xCF\xDF\xC2\xB7"
                         "1=" +
                             page.url("/ip") +
                             "\r\n[aliyun]\r\naccessKeyId=key-id\r\naccessSecret=key-"
                             "secret\r\n\xB5\xB1\xC7\xB0\xBD\xE2\xCE\xF6IP=203.0.113.7\r\n"
                             "\xB5\xB1\xC7\xB0\xBD\xE2\xCE\xF6\xD3\xF2\xC3\xFB=example.com"
                             "\r\n\xB5\xB1\xC7\xB0\xBD\xE2\xCE\xF6ID=" +
                             record_id +
                             "\r\n\xB5\xB1\xC7\xB0\xD6\xF7\xBB\xFA\xBC\xC7\xC2\xBC=www\r\n");
        const Figures f = measure(command, idle_seconds);
        const std::string name = command[0].substr(command[0].rfind('/') + 1) +
                                 (command.size() > 3 ? " --headless" : "");
        std::printf("%-16s %11.1f ms %6.1f MB %6.1f MB %8d %9ld in %d s\n", name.c_str(),
                    f.first_line_ms, f.rss_mb, f.anon_mb, f.threads, f.wakeups, idle_seconds);
        std::fflush(stdout);
    }
    return 0;
}
