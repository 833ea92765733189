// A page of a whole answer in the order of one sort key: the index's matches walked in the
// key's stored order (query/sort_orders.h) with the live layer's additions put in their places,
// or, without stored orders (an index of an older build), every match's details read and sorted.
// Either way the order is the one a stable sort of the whole answer (the index's matches by id,
// then the additions) gives: ties keep that order in both directions.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "query/entry_details.h"

namespace sorvik {

class EntrySet;
class SortOrders;

struct SortChoice {
  int32_t key = 0;  // kSortName .. kSortSize; anything else: the index's order
  bool ascending = true;
};

// Reads the details of an entry of the index or of the layer; false when it cannot.
using DetailsReader = std::function<bool(uint32_t id, EntryDetails* out)>;

// Ranks first .. first + count - 1 (1-based; count 0xFFFFFFFF: all from first) of the answer
// made of `set`'s ids (may be null) and the layer's `added` ids, sorted by `choice`, into `out`.
// `orders` may be null or closed. A page cut from the stored orders is checked against its
// entries' details (with the entry ranked just before it): out of order (a damaged file that
// still holds every id once), it is cut again from the details of every match and
// `*disordered` (when given) is set, so that the caller stops using the orders. Returns the
// number of all matches.
uint32_t CollectSortedPage(const EntrySet* set, const std::vector<uint32_t>& added,
                           const SortOrders* orders, SortChoice choice,
                           const DetailsReader& details, uint32_t first, uint32_t count,
                           std::vector<uint32_t>* out, bool* disordered = nullptr);

}  // namespace sorvik
