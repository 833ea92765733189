// A process-wide map from a name to an object, so that distant parts of the program find each
// other: the search window registers itself under kMainWindowKey, where the online step's thread
// finds it. Each entry keeps the type it was set with: a Find for another type finds nothing.
// Set and Find may run on any thread at the same time. The directory owns nothing.
#pragma once

#include <any>
#include <string>

namespace sorvik {

constexpr char kMainWindowKey[] = "AppMain";  // the search window, a MainSearchDlg

class ObjectDirectory {
 public:
  // Inserts or overwrites the entry `name`; a null `object` leaves an entry that finds nothing.
  template <typename T>
  static void Set(const std::string& name, T* object) {
    SetEntry(name, std::any(object));
  }
  // The object stored under `name` when it was stored as a T, or null.
  template <typename T>
  static T* Find(const std::string& name) {
    const std::any entry = FindEntry(name);
    T* const* object = std::any_cast<T*>(&entry);
    return object != nullptr ? *object : nullptr;
  }

 private:
  static void SetEntry(const std::string& name, std::any object);
  static std::any FindEntry(const std::string& name);
};

}  // namespace sorvik
