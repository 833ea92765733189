// A tiny HTTP server on 127.0.0.1 for the update tests: serves fixed answers by request target
// on an ephemeral port, counts the requests, and can cut an answer short to play a server that
// goes away mid-download. Started by the constructor, stopped by the destructor. Win32 only.
#pragma once

#include <winsock2.h>

#include <atomic>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace sorvik {
namespace testing {

// Starts Winsock and listens on an ephemeral port of 127.0.0.1; `*port` gets the port. The
// caller closes the socket and calls WSACleanup.
inline SOCKET ListenOnLoopback(int* port) {
  WSADATA data;
  WSAStartup(MAKEWORD(2, 2), &data);
  SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
  sockaddr_in address = {};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
  int length = sizeof address;
  getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length);
  *port = ntohs(address.sin_port);
  listen(listener, 16);
  return listener;
}

class LoopbackHttpServer {
 public:
  LoopbackHttpServer() {
    listener_ = ListenOnLoopback(&port_);
    thread_ = std::thread([this] { Serve(); });
  }
  ~LoopbackHttpServer() {
    stopping_ = true;
    closesocket(listener_);
    thread_.join();
    WSACleanup();
  }
  LoopbackHttpServer(const LoopbackHttpServer&) = delete;
  LoopbackHttpServer& operator=(const LoopbackHttpServer&) = delete;

  // "http://127.0.0.1:PORT"
  std::string Address() const { return "http://127.0.0.1:" + std::to_string(port_); }
  // Serves `body` at `target` (path and query); with `cut_after` below the body's size the
  // server announces the whole length, sends that many bytes and closes the connection.
  void Put(const std::string& target, const std::string& body, size_t cut_after = SIZE_MAX) {
    std::lock_guard<std::mutex> hold(mutex_);
    answers_[target] = Answer{body, cut_after};
  }
  // How many requests asked for `target`.
  int Requests(const std::string& target) {
    std::lock_guard<std::mutex> hold(mutex_);
    return requests_[target];
  }
  int AllRequests() {
    std::lock_guard<std::mutex> hold(mutex_);
    int total = 0;
    for (const auto& entry : requests_) total += entry.second;
    return total;
  }

 private:
  struct Answer {
    std::string body;
    size_t cut_after;
  };

  void Serve() {
    while (!stopping_) {
      SOCKET client = accept(listener_, nullptr, nullptr);
      if (client == INVALID_SOCKET) continue;
      Handle(client);
      closesocket(client);
    }
  }

  void Handle(SOCKET client) {
    std::string request;
    char buffer[4096];
    while (request.find("\r\n\r\n") == std::string::npos && request.size() < 65536) {
      const int got = recv(client, buffer, sizeof buffer, 0);
      if (got <= 0) return;
      request.append(buffer, got);
    }
    const size_t start = request.find(' ') + 1;
    const std::string target = request.substr(start, request.find(' ', start) - start);
    Answer answer;
    bool found = false;
    {
      std::lock_guard<std::mutex> hold(mutex_);
      ++requests_[target];
      auto it = answers_.find(target);
      if (it != answers_.end()) answer = it->second, found = true;
    }
    std::string head = found ? "HTTP/1.1 200 OK\r\n" : "HTTP/1.1 404 Not Found\r\n";
    if (!found) answer = Answer{"missing", SIZE_MAX};
    head += "Content-Type: application/octet-stream\r\nCache-Control: no-cache\r\n";
    head += "Content-Length: " + std::to_string(answer.body.size()) + "\r\n";
    head += "Connection: close\r\n\r\n";
    const std::string sent =
        head + answer.body.substr(0, std::min(answer.cut_after, answer.body.size()));
    send(client, sent.data(), static_cast<int>(sent.size()), 0);
    if (answer.cut_after < answer.body.size()) {
      // Go away abruptly: a reset rather than an orderly end of the stream.
      linger abort = {1, 0};
      setsockopt(client, SOL_SOCKET, SO_LINGER, reinterpret_cast<char*>(&abort), sizeof abort);
    } else {
      shutdown(client, SD_SEND);
    }
  }

  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::thread thread_;
  std::mutex mutex_;
  std::map<std::string, Answer> answers_;
  std::map<std::string, int> requests_;
};

}  // namespace testing
}  // namespace sorvik
