#include "index/folder_lister.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "index/find_file.h"

namespace sorvik {

namespace {

// The two spellings of a folder (program or native form) never name the same job.
std::string KeyOf(const FindPath& folder) { return (folder.native ? "N" : "P") + folder.text; }

uint32_t AppendText(std::string* text, const char* value) {
  const uint32_t at = static_cast<uint32_t>(text->size());
  text->append(value, std::strlen(value) + 1);
  return at;
}

}  // namespace

void FolderListing::Add(const FindRecord& record) {
  Entry entry;
  entry.size = record.size;
  entry.last_write = record.last_write;
  entry.attributes = record.attributes;
  entry.reach_form = record.reach_form;
  entry.name_at = AppendText(&text_, record.name);
  entry.reach_at = AppendText(&text_, record.reach);
  entries_.push_back(entry);
}

void FolderListing::Get(size_t index, FindRecord* record) const {
  const Entry& entry = entries_[index];
  record->size = entry.size;
  record->last_write = entry.last_write;
  record->attributes = entry.attributes;
  record->reach_form = entry.reach_form;
  // Both texts were cut to their buffers by the find service: they fit again.
  const char* name = text_.data() + entry.name_at;
  std::memcpy(record->name, name, std::strlen(name) + 1);
  const char* reach = text_.data() + entry.reach_at;
  std::memcpy(record->reach, reach, std::strlen(reach) + 1);
}

FolderListing ListFolder(const FindPath& folder) {
  FolderListing listing;
  FindFile find;
  find.OpenFolder(folder);
  while (find.Next()) listing.Add(find.Data());
  return listing;
}

struct FolderLister::Job {
  enum State { kQueued, kListing, kDone };
  FindPath folder;
  State state = kQueued;
  bool dropped = false;  // Drop forgot it while it was listed: never counted
  bool counted = false;  // its entries are in pending_entries_
  FolderListing listing;
};

FolderLister::FolderLister(unsigned threads, size_t max_pending_entries)
    : max_pending_(max_pending_entries) {
  for (unsigned i = 0; i < threads; ++i) workers_.emplace_back(&FolderLister::Work, this);
}

FolderLister::~FolderLister() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  work_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

unsigned FolderLister::DefaultThreads() {
  // Two at least: on a cold disk the walk waits for folders to be read, and two outstanding
  // listings halve that wait even on one processor.
  return std::min(4u, std::max(2u, std::thread::hardware_concurrency()));
}

void FolderLister::Ahead(const std::vector<FindPath>& folders) {
  if (workers_.empty() || folders.empty()) return;
  std::unique_lock<std::mutex> lock(mutex_);
  for (auto it = folders.rbegin(); it != folders.rend(); ++it) {
    std::shared_ptr<Job>& job = jobs_[KeyOf(*it)];
    if (job) continue;  // asked for already
    job = std::make_shared<Job>();
    job->folder = *it;
    stack_.push_back(job);
  }
  const bool wake = idle_workers_ > 0;
  lock.unlock();
  if (wake) work_.notify_all();
}

FolderListing FolderLister::Take(const FindPath& folder) {
  std::unique_lock<std::mutex> lock(mutex_);
  auto found = jobs_.find(KeyOf(folder));
  if (found == jobs_.end()) {
    lock.unlock();
    return ListFolder(folder);
  }
  std::shared_ptr<Job> job = std::move(found->second);
  jobs_.erase(found);
  if (job->state == Job::kQueued) {
    // Not started: listed here rather than waited for (the workers may be held by the cap).
    stack_.erase(std::find(stack_.rbegin(), stack_.rend(), job).base() - 1);
    lock.unlock();
    return ListFolder(folder);
  }
  awaited_ = job.get();
  done_.wait(lock, [&] { return job->state == Job::kDone; });
  awaited_ = nullptr;
  const bool was_full = pending_entries_ >= max_pending_;
  if (job->counted) pending_entries_ -= job->listing.Count();
  const bool wake = was_full && idle_workers_ > 0;
  lock.unlock();
  if (wake) work_.notify_all();
  return std::move(job->listing);
}

void FolderLister::Drop() {
  std::unique_lock<std::mutex> lock(mutex_);
  stack_.clear();
  // Listings in progress finish into jobs no longer known here and are freed with them.
  for (auto& entry : jobs_) {
    Job& job = *entry.second;
    job.dropped = true;
    if (job.counted) pending_entries_ -= job.listing.Count();
  }
  jobs_.clear();
  lock.unlock();
  work_.notify_all();
}

void FolderLister::Work() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    idle_workers_ += 1;
    work_.wait(lock,
               [&] { return stopping_ || (!stack_.empty() && pending_entries_ < max_pending_); });
    idle_workers_ -= 1;
    if (stopping_) return;
    std::shared_ptr<Job> job = stack_.back();
    stack_.pop_back();
    job->state = Job::kListing;
    lock.unlock();
    FolderListing listing = ListFolder(job->folder);
    lock.lock();
    job->listing = std::move(listing);
    job->state = Job::kDone;
    if (!job->dropped) {
      pending_entries_ += job->listing.Count();
      job->counted = true;
    }
    if (awaited_ == job.get()) done_.notify_one();
  }
}

}  // namespace sorvik
