#include "ui/search/typing_search.h"

#include <utility>

#include "query/search_result.h"
#include "ui/command_ids.h"

namespace sorvik {

TypingAnswer::TypingAnswer(TypingJob job, SearchResult* result, uint32_t total)
    : job_(std::move(job)), result_(result), total_(total) {}

TypingAnswer::~TypingAnswer() {
  if (result_ != nullptr) result_->Release();
}

SearchResult* TypingAnswer::TakeResult() { return std::exchange(result_, nullptr); }

TypingSearch::TypingSearch(PageSearch search, HWND window)
    : search_(std::move(search)), window_(window) {}

TypingSearch::~TypingSearch() { Stop(); }

uint64_t TypingSearch::Ask(TypingJob job) {
  std::lock_guard<std::mutex> lock(mutex_);
  job.generation = ++latest_;
  waiting_ = std::move(job);
  if (!thread_.joinable() && !stopping_) thread_ = std::thread(&TypingSearch::Run, this);
  wake_.notify_one();
  return latest_;
}

void TypingSearch::Cancel() {
  std::lock_guard<std::mutex> lock(mutex_);
  waiting_.reset();
  accepted_ = ++latest_;
}

bool TypingSearch::Pending() const {
  std::lock_guard<std::mutex> lock(mutex_);
  return accepted_ != latest_;
}

std::unique_ptr<TypingAnswer> TypingSearch::Accept(LPARAM posted) {
  std::unique_ptr<TypingAnswer> answer(reinterpret_cast<TypingAnswer*>(posted));
  if (answer == nullptr) return nullptr;
  std::lock_guard<std::mutex> lock(mutex_);
  if (answer->Job().generation != latest_) return nullptr;  // its text is no longer the box's
  accepted_ = latest_;
  return answer;
}

void TypingSearch::Stop() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
    waiting_.reset();
    accepted_ = ++latest_;
  }
  wake_.notify_one();
  if (thread_.joinable()) thread_.join();
  DropPostedAnswers();
}

void TypingSearch::Run() {
  for (;;) {
    TypingJob job;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return stopping_ || waiting_.has_value(); });
      if (stopping_) return;
      job = std::move(*waiting_);
      waiting_.reset();
    }
    uint32_t total = 0;
    SearchResult* result = search_ ? search_(job.request, 1, job.page_size, &total) : nullptr;
    Deliver(std::make_unique<TypingAnswer>(std::move(job), result, total));
  }
}

// Posts the answer unless a newer job was asked meanwhile; an answer that is not posted is
// dropped here with its result.
void TypingSearch::Deliver(std::unique_ptr<TypingAnswer> answer) {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    if (stopping_ || answer->Job().generation != latest_) return;
  }
  if (PostMessageA(window_, kMsgTypingAnswer, 0, reinterpret_cast<LPARAM>(answer.get())))
    answer.release();  // the window's now
}

// Answers posted but not read would be lost with the window: they are read and dropped. Only
// the window's own thread can take them from its queue.
void TypingSearch::DropPostedAnswers() {
  if (window_ == nullptr || GetWindowThreadProcessId(window_, nullptr) != GetCurrentThreadId())
    return;
  MSG message;
  while (PeekMessageA(&message, window_, kMsgTypingAnswer, kMsgTypingAnswer, PM_REMOVE))
    delete reinterpret_cast<TypingAnswer*>(message.lParam);
}

}  // namespace sorvik
