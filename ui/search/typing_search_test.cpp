// TypingSearch on a search of the test's own that can be held back: only the latest job is
// searched and shown, answers of older jobs never reach the window, and stopping waits for the
// running search and drops everything it leaves.
#include "ui/search/typing_search.h"

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "query/search_result.h"
#include "ui/command_ids.h"

namespace sorvik {
namespace {

// Answers every search with a fresh result whose reference it also keeps, so the test can see
// whether the answer's reference was given back. Searches wait while the gate is closed.
class HeldSearch {
 public:
  ~HeldSearch() {
    for (SearchResult* result : results_) result->Release();
  }
  PageSearch Function() {
    return [this](const SearchRequest& request, int page, int page_size, uint32_t* total) {
      (void)page;
      (void)page_size;
      std::unique_lock<std::mutex> lock(mutex_);
      searched_.push_back(request.keywords);
      changed_.notify_all();
      changed_.wait(lock, [this] { return open_; });
      auto* result = new SearchResult(nullptr);
      result->AddRef();
      results_.push_back(result);
      *total = static_cast<uint32_t>(request.keywords.size());
      return result;
    };
  }
  void Open() {
    std::lock_guard<std::mutex> lock(mutex_);
    open_ = true;
    changed_.notify_all();
  }
  // Waits until `count` searches have started.
  void WaitForSearches(size_t count) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return searched_.size() >= count; });
  }
  std::vector<std::string> Searched() {
    std::lock_guard<std::mutex> lock(mutex_);
    return searched_;
  }
  // References held by others than this object, per result made.
  std::vector<int> OtherReferences() {
    std::lock_guard<std::mutex> lock(mutex_);
    std::vector<int> counts;
    for (SearchResult* result : results_) counts.push_back(result->refCount() - 1);
    return counts;
  }

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool open_ = false;
  std::vector<std::string> searched_;
  std::vector<SearchResult*> results_;
};

class TypingSearchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    window_ =
        CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    typing_.reset();
    DestroyWindow(window_);
  }
  static TypingJob Job(const std::string& keywords) {
    TypingJob job;
    job.request.keywords = keywords;
    job.page_size = 800;
    return job;
  }
  // The next answer posted to the window; 0 when none came within a generous bound.
  LPARAM NextAnswer() {
    const auto give_up = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    MSG message;
    while (std::chrono::steady_clock::now() < give_up) {
      if (PeekMessageA(&message, window_, kMsgTypingAnswer, kMsgTypingAnswer, PM_REMOVE))
        return message.lParam;
      Sleep(1);
    }
    return 0;
  }
  bool AnswerQueued() {
    MSG message;
    return PeekMessageA(&message, window_, kMsgTypingAnswer, kMsgTypingAnswer, PM_NOREMOVE) != 0;
  }

  HWND window_ = nullptr;
  HeldSearch search_;
  std::unique_ptr<TypingSearch> typing_ =
      std::make_unique<TypingSearch>(search_.Function(), nullptr);
};

TEST_F(TypingSearchTest, OnlyTheLatestTextIsSearchedAndShown) {
  typing_ = std::make_unique<TypingSearch>(search_.Function(), window_);
  typing_->Ask(Job("it"));
  search_.WaitForSearches(1);  // "it" is running and held
  typing_->Ask(Job("ite"));    // waits, then is replaced before the thread takes it
  const uint64_t last = typing_->Ask(Job("item"));
  EXPECT_TRUE(typing_->Pending());
  search_.Open();
  std::unique_ptr<TypingAnswer> answer = typing_->Accept(NextAnswer());
  ASSERT_NE(answer, nullptr);
  EXPECT_EQ(answer->Job().request.keywords, "item");
  EXPECT_EQ(answer->Job().generation, last);
  EXPECT_EQ(answer->Total(), 4u);
  EXPECT_FALSE(typing_->Pending());
  EXPECT_EQ(search_.Searched(), (std::vector<std::string>{"it", "item"}));
  EXPECT_FALSE(AnswerQueued());  // the answer of "it" was never posted
  // "it"'s result was given back; "item"'s is held by the answer until taken.
  EXPECT_EQ(search_.OtherReferences(), (std::vector<int>{0, 1}));
  SearchResult* result = answer->TakeResult();
  answer.reset();
  EXPECT_EQ(search_.OtherReferences(), (std::vector<int>{0, 1}));
  result->Release();
  EXPECT_EQ(search_.OtherReferences(), (std::vector<int>{0, 0}));
}

TEST_F(TypingSearchTest, AnswersQueuedBeforeANewerTextOrACancelAreDropped) {
  typing_ = std::make_unique<TypingSearch>(search_.Function(), window_);
  search_.Open();
  typing_->Ask(Job("photo"));
  const LPARAM older = NextAnswer();
  ASSERT_NE(older, 0);
  typing_->Ask(Job("photo1"));  // typed before the window read the answer of "photo"
  EXPECT_EQ(typing_->Accept(older), nullptr);
  const LPARAM newer = NextAnswer();
  ASSERT_NE(newer, 0);
  typing_->Cancel();  // Enter ran its own search before this answer was read
  EXPECT_FALSE(typing_->Pending());
  EXPECT_EQ(typing_->Accept(newer), nullptr);
  EXPECT_EQ(search_.OtherReferences(), (std::vector<int>{0, 0}));
  EXPECT_EQ(typing_->Accept(0), nullptr);
}

TEST_F(TypingSearchTest, StopWaitsForTheRunningSearchAndDropsEveryAnswer) {
  typing_ = std::make_unique<TypingSearch>(search_.Function(), window_);
  typing_->Ask(Job("doc"));
  search_.WaitForSearches(1);   // "doc" runs held
  typing_->Ask(Job("report"));  // and "report" waits
  std::thread opener([this] {
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    search_.Open();
  });
  typing_->Stop();  // the window closes: returns only after "doc" came back
  opener.join();
  EXPECT_FALSE(AnswerQueued());
  EXPECT_EQ(search_.OtherReferences(), (std::vector<int>{0}));
  typing_->Ask(Job("later"));  // a stopped search runs nothing more
  typing_.reset();
  EXPECT_EQ(search_.Searched(), (std::vector<std::string>{"doc"}));
}

}  // namespace
}  // namespace sorvik
