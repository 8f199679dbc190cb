// A loopback TCP server that answers each connection with bytes the test writes itself:
// for malformed, stalled or closed responses that no well-behaved server would send.
#pragma once

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// "HTTP/1.1 <status>", the extra header lines (each ended by CR LF), Content-Length,
// Connection: close, an empty line and the body.
std::string http_answer(const std::string& body, const std::string& extra_headers = "",
                        const std::string& status = "200 OK");

// One scripted answer: its bytes, how fast they go out, and how the connection ends.
struct ScriptedAnswer {
    enum class End {
        close,  // an orderly close after the bytes
        reset,  // a TCP reset after the bytes
        hold,   // left open until the server stops
    };
    std::string bytes;
    int drip_ms = 0;             // above 0: one byte, then this pause, and so on
    std::size_t drip_after = 0;  // bytes sent at once before the drip starts
    End end = End::close;
};

class ScriptedServer {
  public:
    // Gets the request (head and body) and returns the bytes to write back. An empty
    // answer closes the connection without a response.
    using Responder = std::function<std::string(const std::string& request)>;
    using Planner = std::function<ScriptedAnswer(const std::string& request)>;

    // With `hold_open` every connection stays open after the answer until the server
    // stops, like a server that stops sending.
    explicit ScriptedServer(Responder responder, bool hold_open = false);
    explicit ScriptedServer(Planner planner);
    ~ScriptedServer();
    ScriptedServer(const ScriptedServer&) = delete;
    ScriptedServer& operator=(const ScriptedServer&) = delete;

    int port() const { return port_; }
    std::string url(const std::string& path = "/") const;
    int accepted_connections() const { return accepted_.load(); }
    std::vector<std::string> requests() const;

  private:
    void serve();
    std::string read_request(int socket);

    void start();

    Planner planner_;
    int listener_ = -1;
    int port_ = 0;
    std::atomic<bool> stopping_{false};
    std::atomic<int> accepted_{0};
    mutable std::mutex mutex_;
    std::vector<std::string> requests_;
    std::vector<int> open_sockets_;
    std::thread thread_;
};
