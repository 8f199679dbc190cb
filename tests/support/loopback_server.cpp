// Loopback HTTP and HTTPS servers for tests.
#include "loopback_server.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <iostream>

namespace {

// Hands every accepted connection to a thread pool and counts it.
class CountingTaskQueue : public httplib::TaskQueue {
  public:
    explicit CountingTaskQueue(std::shared_ptr<std::atomic<int>> accepted)
        : accepted_(std::move(accepted)) {}
    void enqueue(std::function<void()> task) override {
        ++*accepted_;
        pool_.enqueue(std::move(task));
    }
    void shutdown() override { pool_.shutdown(); }

  private:
    std::shared_ptr<std::atomic<int>> accepted_;
    httplib::ThreadPool pool_{8};
};

}  // namespace

LoopbackServer::LoopbackServer() : server_(std::make_unique<httplib::Server>()) {
    count_connections();
}

LoopbackServer::LoopbackServer(const TestCertificates& certificates)
    : server_(std::make_unique<httplib::SSLServer>(certificates.server_cert_file.c_str(),
                                                   certificates.server_key_file.c_str())),
      secure_(true) {
    count_connections();
}

LoopbackServer::~LoopbackServer() {
    stop();
}

void LoopbackServer::count_connections() {
    auto accepted = accepted_;
    server_->new_task_queue = [accepted] { return new CountingTaskQueue(accepted); };
    server_->set_keep_alive_timeout(2);
}

bool LoopbackServer::start() {
    failure_.clear();
    if (!server_->is_valid()) {
        // An HTTPS server whose certificate or key did not load never listens.
        return fail("the server is not valid (certificate or key not loaded)");
    }
    port_ = server_->bind_to_any_port("127.0.0.1");
    if (port_ <= 0) {
        return fail(std::string("cannot bind 127.0.0.1: ") + std::strerror(errno));
    }
    listen_ended_ = false;
    thread_ = std::thread([this] {
        server_->listen_after_bind();
        listen_ended_ = true;
    });
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    while (!server_->is_running()) {
        if (listen_ended_) {
            thread_.join();
            return fail("the server stopped before it listened");
        }
        if (std::chrono::steady_clock::now() > deadline) {
            server_->stop();
            thread_.join();
            return fail("the server did not listen within 5 seconds");
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return true;
}

bool LoopbackServer::fail(const std::string& reason) {
    failure_ = "LoopbackServer::start: " + reason;
    std::cerr << failure_ << '\n';
    return false;
}

void LoopbackServer::stop() {
    if (thread_.joinable()) {
        server_->stop();
        thread_.join();
    }
}

std::string LoopbackServer::url(const std::string& path) const {
    return std::string(secure_ ? "https" : "http") + "://127.0.0.1:" + std::to_string(port_) + path;
}
