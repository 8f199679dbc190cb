// Peak memory (the child's maximum resident set, as VmHWM reports it) of the headless
// program while an IP line or the DNS API sends it huge answers. Usage:
//   bench_peak_memory [path/to/ddns-or-ddnsd [extra arguments...]]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "spawn_program.h"

namespace {

constexpr std::size_t kHugeBody = 512u * 1024u * 1024u;

enum class Answer { ip_page, with_length, until_close, chunked, header_flood };

// Answers every connection the same way, streaming the body without holding it.
class StreamingServer {
  public:
    explicit StreamingServer(Answer answer) : answer_(answer) {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address);
        listen(listener_, 16);
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length);
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
    ~StreamingServer() {
        stopping_ = true;
        thread_.join();
        close(listener_);
    }
    std::string url() const { return "http://127.0.0.1:" + std::to_string(port_) + "/"; }

  private:
    void serve() {
        while (!stopping_) {
            pollfd entry{listener_, POLLIN, 0};
            if (poll(&entry, 1, 50) <= 0) {
                continue;
            }
            int s = accept(listener_, nullptr, nullptr);
            if (s < 0) {
                continue;
            }
            std::string head;
            char buffer[4096];
            while (head.find("\r\n\r\n") == std::string::npos) {
                ssize_t n = recv(s, buffer, sizeof buffer, 0);
                if (n <= 0) {
                    break;
                }
                head.append(buffer, static_cast<std::size_t>(n));
            }
            answer(s);
            close(s);
        }
    }

    bool send_all(int s, const std::string& bytes) {
        std::size_t sent = 0;
        while (sent < bytes.size() && !stopping_) {
            ssize_t n = ::send(s, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
            if (n <= 0) {
                return false;
            }
            sent += static_cast<std::size_t>(n);
        }
        return true;
    }

    void answer(int s) {
        const std::string piece(64 * 1024, 'x');
        switch (answer_) {
            case Answer::ip_page:
                send_all(s, "HTTP/1.1 200 OK\r\nContent-Length: 15\r\n\r\nIP: 203.0.113.7");
                return;
            case Answer::header_flood: {
                std::string head = "HTTP/1.1 200 OK\r\n";
                while (head.size() < 290 * 1024) {
                    head += "X-Pad: " + std::string(200, 'h') + "\r\n";
                }
                send_all(s, head + "Content-Length: 15\r\n\r\nIP: 203.0.113.7");
                return;
            }
            case Answer::with_length:
                send_all(s, "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(kHugeBody) +
                                "\r\n\r\n");
                break;
            case Answer::until_close:
                send_all(s, "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n");
                break;
            case Answer::chunked:
                send_all(s, "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n");
                break;
        }
        for (std::size_t sent = 0; sent < kHugeBody; sent += piece.size()) {
            const std::string bytes =
                answer_ == Answer::chunked ? "10000\r\n" + piece + "\r\n" : piece;
            if (!send_all(s, bytes)) {
                return;
            }
        }
    }

    Answer answer_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::thread thread_;
};

struct Run {
    long max_rss_kb = 0;
    int exit_code = -1;
    std::string out;
};

// Runs the program until it logs `done` (then SIGTERM) or ends by itself.
Run run_program(const std::vector<std::string>& command, const std::string& done) {
    int out = -1;
    const pid_t pid = spawn_program(command, out);
    if (pid < 0) {
        return {};
    }
    Run run;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(120);
    bool signalled = false;
    char buffer[4096];
    while (std::chrono::steady_clock::now() < deadline) {
        pollfd entry{out, POLLIN, 0};
        if (poll(&entry, 1, 100) > 0) {
            ssize_t n = read(out, buffer, sizeof buffer);
            if (n <= 0) {
                break;
            }
            run.out.append(buffer, static_cast<std::size_t>(n));
        }
        if (!signalled && run.out.find(done) != std::string::npos) {
            kill(pid, SIGTERM);
            signalled = true;
        }
    }
    close(out);
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    run.max_rss_kb = usage.ru_maxrss;
    run.exit_code = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    return run;
}

std::string default_program() {
    char self[4096];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    std::string path = n > 0 ? std::string(self, static_cast<std::size_t>(n)) : std::string();
    return path.substr(0, path.rfind('/')) + "/../ddns";
}

}  // namespace

int main(int argc, char** argv) {
    const std::string program = argc > 1 ? argv[1] : default_program();
    std::vector<std::string> extra(argv + (argc > 1 ? 2 : 1), argv + argc);
    if (extra.empty() && program.size() >= 4 && program.substr(program.size() - 4) == "ddns") {
        extra.push_back("--headless");
    }
    char folder[] = "/tmp/ddns-peak-XXXXXX";
    if (mkdtemp(folder) == nullptr) {
        return 1;
    }
    const std::string config = std::string(folder) + "/ddns_config.ini";
    // "IP解析完毕" and "等待60s后再次检测" end a check that reached the API.
    const std::string check_done =
        "\xE7\xAD\x89\xE5\xBE\x85"
        "60s";

    struct Case {
        const char* name;
        Answer line;
        Answer api;
    };
    const Case cases[] = {
        {"IP line: 512 MB with Content-Length", Answer::with_length, Answer::ip_page},
        {"IP line: 512 MB until close", Answer::until_close, Answer::ip_page},
        {"IP line: 512 MB chunked", Answer::chunked, Answer::ip_page},
        {"IP line: header block at libcurl's cap", Answer::header_flood, Answer::ip_page},
        {"DNS API: 512 MB answers", Answer::ip_page, Answer::with_length},
        {"DNS API: 512 MB chunked answers", Answer::ip_page, Answer::chunked},
    };
    std::printf("%-42s %10s %6s\n", "case", "peak RSS", "exit");
    for (const Case& c : cases) {
        StreamingServer line(c.line);
        StreamingServer api(c.api);
        std::ofstream(config, std::ios::binary)
            << "[\xB5\xB1\xC7\xB0IP\xCF\xDF\xC2\xB7]\r\n\xCF\xDF\xC2\xB7=1\r\n"
               "[IP\xCF\xDF\xC2\xB7]\r\n\xCF\xDF\xC2\xB7"
               "1="
            << line.url()
            << "\r\n[aliyun]\r\naccessKeyId=key-id\r\naccessSecret=key-secret\r\n"
               "\xB5\xB1\xC7\xB0\xBD\xE2\xCE\xF6IP=192.0.2.1\r\n"
               "\xB5\xB1\xC7\xB0\xBD\xE2\xCE\xF6\xD3\xF2\xC3\xFB=example.com\r\n"
               "\xB5\xB1\xC7\xB0\xBD\xE2\xCE\xF6ID=1\r\n"
               "\xB5\xB1\xC7\xB0\xD6\xF7\xBB\xFA\xBC\xC7\xC2\xBC=www\r\n";
        setenv("DDNS_API_URL", api.url().c_str(), 1);
        std::vector<std::string> command = {program};
        command.insert(command.end(), extra.begin(), extra.end());
        command.insert(command.end(), {"--config", config});
        const Run run = run_program(command, check_done);
        std::printf("%-42s %7.1f MB %6d\n", c.name, static_cast<double>(run.max_rss_kb) / 1024.0,
                    run.exit_code);
        std::fflush(stdout);
    }
    unlink(config.c_str());
    rmdir(folder);
    return 0;
}
