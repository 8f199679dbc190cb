// Loopback HTTP and HTTPS servers for tests: a cpp-httplib server on 127.0.0.1 and a
// free port, run in a thread, counting accepted connections, stopped on destruction.
#pragma once

#include <httplib.h>

#include <atomic>
#include <memory>
#include <string>
#include <thread>

#include "test_ca.h"

class LoopbackServer {
  public:
    // Plain HTTP.
    LoopbackServer();
    // HTTPS with the given server certificate and key.
    explicit LoopbackServer(const TestCertificates& certificates);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    // Register handlers here before start().
    httplib::Server& server() { return *server_; }
    // Binds 127.0.0.1 on a free port and serves in a thread. False, at once and with the
    // reason in failure() and on standard error, when the server cannot listen.
    bool start();
    const std::string& failure() const { return failure_; }
    void stop();

    int port() const { return port_; }
    // "http://127.0.0.1:<port><path>" (https for the HTTPS server).
    std::string url(const std::string& path = "/") const;
    int accepted_connections() const { return accepted_->load(); }

  private:
    void count_connections();
    bool fail(const std::string& reason);

    std::unique_ptr<httplib::Server> server_;
    std::shared_ptr<std::atomic<int>> accepted_ = std::make_shared<std::atomic<int>>(0);
    std::thread thread_;
    std::atomic<bool> listen_ended_{false};
    std::string failure_;
    int port_ = 0;
    bool secure_ = false;
};
