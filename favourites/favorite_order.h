// The order of the organiser's list after a drag and drop, worked out without any window.
#pragma once

#include <cstddef>
#include <vector>

namespace sorvik {

// The list of `count` items after the items at the positions `moved` are taken out and put
// back, in their previous relative order, immediately before the item that was at position
// `drop`; at the end when `drop` is -1 or beyond the list. Dropped onto one of the moved items,
// they land before the first item after it that stays. Positions in `moved` beyond the list and
// repeated ones are ignored; their order does not matter.
// Returns the new order: element i is the old position of the item that now stands at i.
std::vector<size_t> MovedOrder(size_t count, std::vector<size_t> moved, int drop);

}  // namespace sorvik
