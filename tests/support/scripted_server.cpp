// A loopback TCP server with scripted answers.
#include "scripted_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

namespace {

bool wait_readable(int socket, int milliseconds) {
    pollfd entry{socket, POLLIN, 0};
    return poll(&entry, 1, milliseconds) > 0;
}

std::size_t declared_length(const std::string& head) {
    std::string lower;
    for (char c : head) {
        lower += static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    }
    std::size_t at = lower.find("\r\ncontent-length:");
    return at == std::string::npos ? 0 : std::strtoul(head.c_str() + at + 17, nullptr, 10);
}

}  // namespace

std::string http_answer(const std::string& body, const std::string& extra_headers,
                        const std::string& status) {
    return "HTTP/1.1 " + status + "\r\n" + extra_headers +
           "Content-Length: " + std::to_string(body.size()) + "\r\nConnection: close\r\n\r\n" +
           body;
}

ScriptedServer::ScriptedServer(Responder responder, bool hold_open) {
    planner_ = [responder = std::move(responder), hold_open](const std::string& request) {
        ScriptedAnswer answer;
        answer.bytes = responder(request);
        answer.end = hold_open && !answer.bytes.empty() ? ScriptedAnswer::End::hold
                                                        : ScriptedAnswer::End::close;
        return answer;
    };
    start();
}

ScriptedServer::ScriptedServer(Planner planner) : planner_(std::move(planner)) {
    start();
}

void ScriptedServer::start() {
    listener_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
        listen(listener_, 16) == 0 &&
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) == 0) {
        port_ = ntohs(address.sin_port);
        thread_ = std::thread([this] { serve(); });
    }
}

ScriptedServer::~ScriptedServer() {
    stopping_ = true;
    if (thread_.joinable()) {
        thread_.join();
    }
    for (int socket : open_sockets_) {
        close(socket);
    }
    close(listener_);
}

std::string ScriptedServer::url(const std::string& path) const {
    return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<std::string> ScriptedServer::requests() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return requests_;
}

std::string ScriptedServer::read_request(int socket) {
    std::string request;
    std::size_t wanted = std::string::npos;
    char buffer[4096];
    while (!stopping_ && request.size() < (1u << 20)) {
        if (wanted != std::string::npos && request.size() >= wanted) {
            break;
        }
        if (!wait_readable(socket, 20)) {
            continue;
        }
        ssize_t count = recv(socket, buffer, sizeof buffer, 0);
        if (count <= 0) {
            break;
        }
        request.append(buffer, static_cast<std::size_t>(count));
        std::size_t head_end = request.find("\r\n\r\n");
        if (wanted == std::string::npos && head_end != std::string::npos) {
            wanted = head_end + 4 + declared_length(request.substr(0, head_end + 2));
        }
    }
    return request;
}

void ScriptedServer::serve() {
    while (!stopping_) {
        if (!wait_readable(listener_, 20)) {
            continue;
        }
        int socket = accept(listener_, nullptr, nullptr);
        if (socket < 0) {
            continue;
        }
        ++accepted_;
        std::string request = read_request(socket);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            requests_.push_back(request);
        }
        const ScriptedAnswer answer = planner_(request);
        const std::string& bytes = answer.bytes;
        std::size_t sent = 0;
        while (sent < bytes.size() && !stopping_) {
            const bool dripping = answer.drip_ms > 0 && sent >= answer.drip_after;
            const std::size_t piece = dripping ? 1
                                      : answer.drip_ms > 0
                                          ? std::min(answer.drip_after, bytes.size()) - sent
                                          : bytes.size() - sent;
            ssize_t count = ::send(socket, bytes.data() + sent, piece, MSG_NOSIGNAL);
            if (count <= 0) {
                break;
            }
            sent += static_cast<std::size_t>(count);
            if (dripping) {
                std::this_thread::sleep_for(std::chrono::milliseconds(answer.drip_ms));
            }
        }
        if (answer.end == ScriptedAnswer::End::hold) {
            open_sockets_.push_back(socket);
        } else if (answer.end == ScriptedAnswer::End::reset) {
            linger abort{1, 0};
            setsockopt(socket, SOL_SOCKET, SO_LINGER, &abort, sizeof abort);
            close(socket);
        } else {
            shutdown(socket, SHUT_RDWR);
            close(socket);
        }
    }
}
