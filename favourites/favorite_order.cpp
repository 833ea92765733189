#include "favourites/favorite_order.h"

#include <algorithm>

namespace sorvik {

std::vector<size_t> MovedOrder(size_t count, std::vector<size_t> moved, int drop) {
  std::sort(moved.begin(), moved.end());
  moved.erase(std::unique(moved.begin(), moved.end()), moved.end());
  moved.erase(std::lower_bound(moved.begin(), moved.end(), count), moved.end());

  // What stays, in order; each moved item above the drop item shifts the insertion point up.
  std::vector<size_t> order;
  order.reserve(count);
  size_t insert_at = 0;
  const bool to_end = drop < 0 || static_cast<size_t>(drop) >= count;
  for (size_t position = 0; position < count; ++position) {
    if (!std::binary_search(moved.begin(), moved.end(), position)) order.push_back(position);
    if (!to_end && position < static_cast<size_t>(drop)) insert_at = order.size();
  }
  if (to_end) insert_at = order.size();
  order.insert(order.begin() + static_cast<std::ptrdiff_t>(insert_at), moved.begin(), moved.end());
  return order;
}

}  // namespace sorvik
