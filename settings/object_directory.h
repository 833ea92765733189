// A process-wide map from a name to an object, so that distant parts of the program find each
// other: the search window registers itself, the notice fetcher leaves its lines (from the
// background thread). Set and Find may run on any thread at the same time.
#pragma once

#include <string>
#include <vector>

namespace sorvik {

constexpr char kMainWindowKey[] = "AppMain";  // the search window
constexpr char kNoticesKey[] = "ads";         // the notice lines, a NoticeLines

// The notice lines the fetcher leaves: "text<TAB>link<TAB>tip" each.
using NoticeLines = std::vector<std::string>;

class ObjectDirectory {
 public:
  // Inserts or overwrites the entry `name`.
  static void Set(const std::string& name, void* object);
  // The object stored under `name`, or null.
  static void* Find(const std::string& name);
};

}  // namespace sorvik
