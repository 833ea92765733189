// DetailsSource: where a result page reads its entries' details and records removals. The index
// manager implements it over the loaded index, under its index mutex.
#pragma once

#include <cstdint>
#include <string>

#include "query/entry_details.h"

namespace sorvik {

class DetailsSource {
 public:
  virtual ~DetailsSource() = default;
  // Reads entry `id` into `out`. False only when no index is loaded; an unreadable record gives
  // empty details and true.
  virtual bool ReadDetails(uint32_t id, EntryDetails* out) = 0;
  // Records that the user removed entry `id`, shown as `fullPath`, so that later searches leave
  // it out until the next build.
  virtual void RecordRemoval(uint32_t id, const std::string& fullPath) = 0;
};

}  // namespace sorvik
