#include "query/sorted_page.h"

#include <algorithm>
#include <numeric>

#include "query/entry_set.h"
#include "query/sort_orders.h"

namespace sorvik {

namespace {

// An entry sorted by its details: a live addition, or any match when no order is stored.
struct Addition {
  uint32_t id = 0;
  EntryDetails details;
  uint32_t place = 0;  // for an addition: the position of the stored order it is emitted before
};

// The window of ranks a page keeps, and the ids it kept.
class PageCut {
 public:
  PageCut(uint32_t first, uint32_t count, std::vector<uint32_t>* out)
      : first_(first == 0 ? 1 : first),
        last_(count == 0xFFFFFFFFu ? UINT64_MAX : uint64_t{first_} + count - 1),
        out_(out) {}
  void Emit(uint32_t id) {
    ++rank_;
    if (rank_ + 1 == first_) previous_ = id;
    if (rank_ >= first_ && rank_ <= last_) out_->push_back(id);
  }
  bool Full() const { return rank_ >= last_; }
  // The id ranked just before the page; 0 for page 1.
  uint32_t Previous() const { return previous_; }

 private:
  uint64_t first_, last_, rank_ = 0;
  uint32_t previous_ = 0;
  std::vector<uint32_t>* out_;
};

bool Before(const SortChoice& choice, const EntryDetails& a, const EntryDetails& b) {
  const int compared = CompareByKey(choice.key, a, b);
  return choice.ascending ? compared < 0 : compared > 0;
}

// `ids` with their details, stably sorted by `choice`.
std::vector<Addition> SortedAdditions(const std::vector<uint32_t>& added, SortChoice choice,
                                      const DetailsReader& details) {
  std::vector<Addition> additions(added.size());
  for (size_t i = 0; i < added.size(); ++i) {
    additions[i].id = added[i];
    details(added[i], &additions[i].details);
  }
  std::stable_sort(additions.begin(), additions.end(), [&](const Addition& a, const Addition& b) {
    return Before(choice, a.details, b.details);
  });
  return additions;
}

// Ascending: the first position whose entry sorts after the addition (ties stay before it, their
// ids being lower). Descending: the first position whose entry is not below it, so that it
// follows the group of its equals, which a descending walk emits in ascending id order.
uint32_t PlaceOf(const SortOrders& orders, SortChoice choice, const EntryDetails& addition,
                 const DetailsReader& details) {
  uint32_t low = 0, high = orders.Count();
  while (low < high) {
    const uint32_t mid = low + (high - low) / 2;
    EntryDetails entry;
    details(orders.IdAt(choice.key, mid), &entry);
    const int compared = CompareByKey(choice.key, entry, addition);
    const bool left = choice.ascending ? compared <= 0 : compared < 0;
    if (left) {
      low = mid + 1;
    } else {
      high = mid;
    }
  }
  return low;
}

void WalkAscending(const EntrySet* set, const SortOrders& orders, int32_t key,
                   const std::vector<Addition>& additions, PageCut* cut) {
  size_t next = 0;
  for (uint32_t p = 0; p < orders.Count() && !cut->Full(); ++p) {
    while (next < additions.size() && additions[next].place <= p) cut->Emit(additions[next++].id);
    const uint32_t id = orders.IdAt(key, p);
    if (set != nullptr && set->Contains(id)) cut->Emit(id);
  }
  while (next < additions.size() && !cut->Full()) cut->Emit(additions[next++].id);
}

// Groups of equal keys from the last down, each in ascending position (that is, id) order.
void WalkDescending(const EntrySet* set, const SortOrders& orders, int32_t key,
                    const std::vector<Addition>& additions, PageCut* cut) {
  size_t next = 0;
  for (uint32_t end = orders.Count(); end > 0 && !cut->Full();) {
    uint32_t start = end - 1;
    while (start > 0 && orders.SameAsBefore(key, start)) --start;
    while (next < additions.size() && additions[next].place >= end) cut->Emit(additions[next++].id);
    for (uint32_t p = start; p < end; ++p) {
      const uint32_t id = orders.IdAt(key, p);
      if (set != nullptr && set->Contains(id)) cut->Emit(id);
    }
    end = start;
  }
  while (next < additions.size() && !cut->Full()) cut->Emit(additions[next++].id);
}

// Without stored orders: every match's details, sorted.
void SortEverything(const EntrySet* set, const std::vector<uint32_t>& added, SortChoice choice,
                    const DetailsReader& details, PageCut* cut) {
  std::vector<uint32_t> ids;
  if (set != nullptr) set->ForEachId([&](uint32_t id) { ids.push_back(id); });
  ids.insert(ids.end(), added.begin(), added.end());
  for (const Addition& entry : SortedAdditions(ids, choice, details)) cut->Emit(entry.id);
}

// Whether ids[from..], after `previous` (0: none), stand in the order of `choice`: keys in its
// direction, equal keys of the index's entries (ids up to `indexed`) by ascending id. A failed
// read of details (a stale page) tells nothing and counts as in order.
bool InOrder(const std::vector<uint32_t>& ids, size_t from, uint32_t previous, SortChoice choice,
             const DetailsReader& details, uint32_t indexed) {
  EntryDetails entries[2];
  uint32_t before = 0;
  if (previous != 0 && details(previous, &entries[0])) before = previous;
  for (size_t i = from; i < ids.size(); ++i) {
    EntryDetails& last = entries[(i - from) % 2];
    EntryDetails& entry = entries[(i - from + 1) % 2];
    if (!details(ids[i], &entry)) return true;
    if (before != 0) {
      const int compared = CompareByKey(choice.key, last, entry);
      if (choice.ascending ? compared > 0 : compared < 0) return false;
      if (compared == 0 && ids[i] < before && ids[i] <= indexed) return false;
    }
    before = ids[i];
  }
  return true;
}

}  // namespace

uint32_t CollectSortedPage(const EntrySet* set, const std::vector<uint32_t>& added,
                           const SortOrders* orders, SortChoice choice,
                           const DetailsReader& details, uint32_t first, uint32_t count,
                           std::vector<uint32_t>* out, bool* disordered) {
  const uint32_t total = (set != nullptr ? set->Count() : 0) + static_cast<uint32_t>(added.size());
  PageCut cut(first, count, out);
  if (orders == nullptr || !orders->IsOpen() || set == nullptr ||
      set->bitCount() != orders->Count()) {
    SortEverything(set, added, choice, details, &cut);
    return total;
  }
  std::vector<Addition> additions = SortedAdditions(added, choice, details);
  for (Addition& addition : additions) {
    addition.place = PlaceOf(*orders, choice, addition.details, details);
  }
  const size_t from = out->size();
  if (choice.ascending) {
    WalkAscending(set, *orders, choice.key, additions, &cut);
  } else {
    WalkDescending(set, *orders, choice.key, additions, &cut);
  }
  if (!InOrder(*out, from, cut.Previous(), choice, details, orders->Count())) {
    out->resize(from);
    if (disordered != nullptr) *disordered = true;
    PageCut again(first, count, out);
    SortEverything(set, added, choice, details, &again);
  }
  return total;
}

}  // namespace sorvik
