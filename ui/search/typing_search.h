// TypingSearch: the searches the keyword box starts while the user types. They run on a thread
// of their own, so that typing never waits for the index: the window hands over each new
// request, the thread always takes the latest one, and its answer is posted back to the window
// (kMsgTypingAnswer), which shows it only when no newer request was made since. Every request
// carries a generation number; an answer of an older generation is dropped with its result.
#pragma once

#include <windows.h>

#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "query/search_request.h"
#include "ui/search/search_session.h"

namespace sorvik {

class SearchResult;

// One search asked for while typing: the request and, for the not-found panel, the year and
// month as the category tree gave them.
struct TypingJob {
  SearchRequest request;
  int page_size = 0;
  int year = 0;
  int month = 0;
  uint64_t generation = 0;  // set by TypingSearch::Ask
};

// A job's answer as posted to the window. It holds one reference to `result` (null: no index
// loaded) until TakeResult hands it on.
class TypingAnswer {
 public:
  TypingAnswer(TypingJob job, SearchResult* result, uint32_t total);
  ~TypingAnswer();
  TypingAnswer(const TypingAnswer&) = delete;
  TypingAnswer& operator=(const TypingAnswer&) = delete;

  const TypingJob& Job() const { return job_; }
  uint32_t Total() const { return total_; }
  // The result and its reference, for the caller to keep or release.
  SearchResult* TakeResult();

 private:
  TypingJob job_;
  SearchResult* result_;
  uint32_t total_;
};

class TypingSearch {
 public:
  // `search` answers page 1 of each job on the thread; answers go to `window` as
  // kMsgTypingAnswer with the answer in lParam. REQUIRES: `search` may be called from any
  // thread.
  TypingSearch(PageSearch search, HWND window);
  // Stops the thread (after the search it may be running) and drops the answers not yet read.
  ~TypingSearch();
  TypingSearch(const TypingSearch&) = delete;
  TypingSearch& operator=(const TypingSearch&) = delete;

  // Hands `job` to the thread in place of any job still waiting, and makes every earlier job's
  // answer stale. Starts the thread on first use. Never waits for a search. Returns the job's
  // generation.
  uint64_t Ask(TypingJob job);
  // Makes every job asked so far stale: the one waiting is dropped, the one running is not
  // shown. For a search the window runs itself (Enter, "搜索", the panel, a favourite).
  void Cancel();
  // Takes the answer of a kMsgTypingAnswer (its lParam). Null, with the answer and its result
  // dropped, when a newer job was asked or Cancel was called after it.
  std::unique_ptr<TypingAnswer> Accept(LPARAM posted);
  // Whether a job was asked whose answer has not been accepted or made stale.
  bool Pending() const;
  // Ends the thread and drops the answers posted to the window and not read yet. Idempotent.
  void Stop();

 private:
  void Run();
  void Deliver(std::unique_ptr<TypingAnswer> answer);
  void DropPostedAnswers();

  PageSearch search_;
  HWND window_;
  mutable std::mutex mutex_;
  std::condition_variable wake_;
  std::optional<TypingJob> waiting_;  // the latest job, not yet taken by the thread
  uint64_t latest_ = 0;               // the generation of the latest job or Cancel
  uint64_t accepted_ = 0;             // the generation last accepted by the window
  bool stopping_ = false;
  std::thread thread_;
};

}  // namespace sorvik
