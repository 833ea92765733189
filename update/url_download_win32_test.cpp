// Downloads against loopback servers (127.0.0.1 only) that misbehave: a body without end, a
// huge announced length, a server that accepts and never answers, one that sends a byte now
// and then for ever. Each download must end, fail and leave no file; a good one leaves nothing
// in the browser cache. No test measures time: the deadlines are short, and a download that
// ignored them would hang the test.
// clang-format off
#include <winsock2.h>  // the servers' sockets: before anything includes windows.h
// clang-format on
#include <gtest/gtest.h>
#include <wininet.h>

#include <atomic>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/fs.h"
#include "testing/test_util.h"
#include "update/loopback_http_test_support.h"
#include "update/online_update.h"
#include "update/url_download.h"

namespace sorvik {
namespace {

using testing::LoopbackHttpServer;
using testing::ReadText;
using testing::TempFolder;
using testing::WriteText;

// A server on 127.0.0.1 that reads each request and then misbehaves in one way until it is
// destroyed. Every socket has a send timeout, so that nothing here can block for good.
class HostileServer {
 public:
  enum class Mode {
    kSilent,      // accepts, reads the request, never answers
    kEndless,     // a 200 answer without a length and a body without end
    kHugeLength,  // announces 10 GB and sends without end
    kTrickle,     // a 200 answer, then one byte every 100 ms
  };

  explicit HostileServer(Mode mode) : mode_(mode) {
    listener_ = testing::ListenOnLoopback(&port_);
    acceptor_ = std::thread([this] { Accept(); });
  }
  ~HostileServer() {
    stopping_ = true;
    closesocket(listener_);
    acceptor_.join();
    for (std::thread& talker : talkers_) talker.join();
    WSACleanup();
  }

  std::string Address() const { return "http://127.0.0.1:" + std::to_string(port_) + "/file"; }
  uint64_t BytesSent() const { return sent_; }

 private:
  void Accept() {
    while (!stopping_) {
      SOCKET client = accept(listener_, nullptr, nullptr);
      if (client == INVALID_SOCKET) continue;
      DWORD timeout = 200;
      setsockopt(client, SOL_SOCKET, SO_SNDTIMEO, reinterpret_cast<char*>(&timeout),
                 sizeof timeout);
      std::lock_guard<std::mutex> hold(mutex_);
      talkers_.emplace_back([this, client] {
        Talk(client);
        closesocket(client);
      });
    }
  }

  // Sends all of `bytes`; false once the client is gone or the server stops.
  bool Send(SOCKET client, const std::string& bytes) {
    size_t done = 0;
    while (done < bytes.size() && !stopping_) {
      const int n = send(client, bytes.data() + done, static_cast<int>(bytes.size() - done), 0);
      if (n > 0) {
        done += n;
        sent_ += n;
      } else if (WSAGetLastError() != WSAETIMEDOUT) {
        return false;
      }
    }
    return done == bytes.size();
  }

  void Talk(SOCKET client) {
    char buffer[4096];
    std::string request;
    while (request.find("\r\n\r\n") == std::string::npos && !stopping_) {
      const int got = recv(client, buffer, sizeof buffer, 0);
      if (got <= 0) return;
      request.append(buffer, got);
    }
    const std::string chunk(64 * 1024, 'x');
    switch (mode_) {
      case Mode::kSilent:
        while (!stopping_) Sleep(50);
        return;
      case Mode::kEndless:
        if (!Send(client, "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n")) return;
        while (Send(client, chunk)) {
        }
        return;
      case Mode::kHugeLength:
        if (!Send(client, "HTTP/1.1 200 OK\r\nContent-Length: 10000000000\r\n\r\n")) return;
        while (Send(client, chunk)) {
        }
        return;
      case Mode::kTrickle:
        if (!Send(client, "HTTP/1.1 200 OK\r\nConnection: close\r\n\r\n")) return;
        while (Send(client, "x")) Sleep(100);
        return;
    }
  }

  Mode mode_;
  SOCKET listener_ = INVALID_SOCKET;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  std::atomic<uint64_t> sent_{0};  // body and head bytes sent on all connections
  std::thread acceptor_;
  std::mutex mutex_;
  std::vector<std::thread> talkers_;
};

DownloadLimits Limits(uint64_t max_bytes, uint32_t idle_ms, uint32_t total_ms) {
  DownloadLimits limits;
  limits.max_bytes = max_bytes;
  limits.idle_ms = idle_ms;
  limits.total_ms = total_ms;
  return limits;
}

TEST(UrlDownload, StopsAtTheCapAndTheDeadlines) {
  TempFolder folder;
  const std::string path = folder.Join("download.bin");
  const uint64_t cap = 1024 * 1024;
  {  // A body without end stops at the cap: the server gets to send little more than it.
    HostileServer server(HostileServer::Mode::kEndless);
    EXPECT_FALSE(DownloadUrlToFile(server.Address(), path, Limits(cap, 5000, 60000)));
    EXPECT_FALSE(PathExists(path));
    EXPECT_LT(server.BytesSent(), cap + 8 * 1024 * 1024);
  }
  {  // An announced length over the cap is refused before the body is read.
    HostileServer server(HostileServer::Mode::kHugeLength);
    EXPECT_FALSE(DownloadUrlToFile(server.Address(), path, Limits(cap, 5000, 60000)));
    EXPECT_FALSE(PathExists(path));
    EXPECT_LT(server.BytesSent(), cap + 8 * 1024 * 1024);
  }
  {  // A server that accepts and never answers: the wait for the next byte ends it.
    HostileServer server(HostileServer::Mode::kSilent);
    EXPECT_FALSE(DownloadUrlToFile(server.Address(), path, Limits(cap, 1000, 60000)));
    EXPECT_FALSE(PathExists(path));
  }
  {  // A byte now and then for ever, under the cap: the whole-download deadline ends it.
    HostileServer server(HostileServer::Mode::kTrickle);
    EXPECT_FALSE(DownloadUrlToFile(server.Address(), path, Limits(cap, 5000, 2000)));
    EXPECT_FALSE(PathExists(path));
  }
}

TEST(UrlDownload, OnlyWebAddressesAndNoCacheEntry) {
  TempFolder folder;
  const std::string path = folder.Join("download.bin");
  LoopbackHttpServer server;
  server.Put("/good", "good bytes");
  const DownloadLimits limits = Limits(1024, 5000, 20000);
  {  // A good answer arrives whole and leaves no entry in the browser cache.
    const std::string url = server.Address() + "/good";
    ASSERT_TRUE(DownloadUrlToFile(url, path, limits));
    EXPECT_EQ(ReadText(path), "good bytes");
    DWORD size = 0;
    EXPECT_FALSE(GetUrlCacheEntryInfoA(url.c_str(), nullptr, &size));
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  }
  {  // Other schemes are refused without a request; a missing file fails.
    WriteText(folder.Join("local.txt"), "local");
    for (const std::string& url : {"file:///" + folder.Join("local.txt"),
                                   std::string("ftp://127.0.0.1/x"), std::string("127.0.0.1/good")})
      EXPECT_FALSE(DownloadUrlToFile(url, path, limits)) << url;
    EXPECT_FALSE(DownloadUrlToFile(server.Address() + "/missing", path, limits));
    EXPECT_FALSE(PathExists(path));
    EXPECT_EQ(server.AllRequests(), 2);
  }
}

TEST(UrlDownload, ASilentServerHoldsTheCallerOnlyUntilTheWaitEnds) {
  TempFolder program;
  HostileServer server(HostileServer::Mode::kSilent);
  UpdateSetup setup;
  setup.server = server.Address();
  setup.program_folder = program.Path();
  setup.system_folder = program.Path();
  setup.program_path = program.Join("Sorvik.exe");
  setup.idle_ms = 60000;  // the downloads themselves would wait long
  // The step has not ended when the caller goes on to its index work.
  EXPECT_FALSE(RunOnlineStepWithin(setup, OnlineStepHooks(), 500));
}

}  // namespace
}  // namespace sorvik
