// DetailsSource: where a result page reads its entries' details and records removals. The index
// manager implements it over the loaded index, under its index mutex.
//
// Entry ids are valid for one build only. Every load of an index gets a new generation number,
// and a page remembers the generation it was cut from: reads and removals name that generation,
// and the source refuses them once another index (or none) is loaded, so an id of an older index
// is never looked up in a newer one.
#pragma once

#include <cstdint>
#include <string>

#include "query/entry_details.h"

namespace sorvik {

constexpr uint32_t kNoGeneration = 0;  // the generation while no index is loaded

class DetailsSource {
 public:
  virtual ~DetailsSource() = default;
  // The generation of the index loaded now; kNoGeneration while none is loaded.
  virtual uint32_t Generation() = 0;
  // Reads entry `id` of generation `generation` into `out`. False when that generation is not
  // the loaded one (or no index is loaded); an unreadable record gives empty details and true.
  virtual bool ReadDetails(uint32_t generation, uint32_t id, EntryDetails* out) = 0;
  // Records that the user removed entry `id` of generation `generation`, shown as `fullPath`, so
  // that later searches leave it out until the next build. False, with nothing recorded, when
  // that generation is no longer loaded.
  virtual bool RecordRemoval(uint32_t generation, uint32_t id, const std::string& fullPath) = 0;
};

}  // namespace sorvik
