// Saved searches: a title and a SearchRequest each, kept in user order in one XML file,
// ".\NFavorite\Favorite.xml". A store lives for one operation: open (read the file), look or
// add, save, close. Nothing is cached between stores. While any store of a folder lives, its
// process holds the folder's lock file ("Favorite.xml.lock"), so that a read, change and save
// in one process never overlaps one in another; stores in one process share the hold (the
// organiser opens a fresh store while it shows an older one).
#pragma once

#include <tinyxml.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/status.h"
#include "query/search_request.h"

namespace sorvik {

constexpr char kFavoriteFolder[] = ".\\NFavorite";
constexpr char kFavoriteFileName[] = "Favorite.xml";
// How long a store waits for another process to let go of the folder's lock: a save of another
// process takes milliseconds; a process that keeps it longer is stuck, and waiting on it would
// hang the window or the command that asked.
constexpr uint32_t kFavoritesLockWaitMs = 10000;

struct FavoriteEntry {
  std::string title;      // shown in the menu and the organiser; the bookmark's name
  SearchRequest request;  // the saved search
};

class FavoriteStore {
 public:
  // Creates `folder` when it is missing (a failure is ignored), takes its lock, waiting at most
  // kFavoritesLockWaitMs for another process to let go, and reads its Favorite.xml. A missing or
  // blank file gives an empty list, and so does an unreadable one (Unreadable); nothing is
  // written. Never null: a store without the lock still reads the file; LockStatus says why it
  // has no lock, and its Save fails with that reason.
  static std::unique_ptr<FavoriteStore> Open(const std::string& folder = kFavoriteFolder);
  ~FavoriteStore();
  FavoriteStore(const FavoriteStore&) = delete;
  FavoriteStore& operator=(const FavoriteStore&) = delete;

  size_t Count() const { return entries_.size(); }
  // REQUIRES: index < Count().
  const FavoriteEntry& Item(size_t index) const { return entries_[index]; }
  const std::string& FilePath() const { return path_; }
  // OK when the store holds the folder's lock; else why not.
  const Status& LockStatus() const { return lock_status_; }
  // The file holds something that could not be read (cut short, bad markup): the list is empty
  // and Save first renames the file to "Favorite.xml.bad" (numbered when that exists).
  bool Unreadable() const { return unreadable_; }

  // Empties the list and starts the document afresh from the empty text; the file is left as
  // it is until Save.
  void Clear();
  // Appends a bookmark to the document and an entry to the list; does not write the file.
  void Add(const std::string& title, const SearchRequest& request);
  // Writes the whole document, replacing the file; on failure the old file stays as it was and
  // `error` (optional) gets the reason. Fails without the folder's lock (its lock file cannot be
  // opened or made), which a save never goes without. `kept` (optional) gets the name an unreadable
  // file was kept under, empty when none.
  bool Save(std::string* error = nullptr, std::string* kept = nullptr);

  // Deletes `folder`'s Favorite.xml.
  static bool RemoveFile(const std::string& folder = kFavoriteFolder);

 private:
  explicit FavoriteStore(const std::string& folder);
  void Read();

  std::string path_;                    // the favourites file
  std::string lock_path_;               // the lock this process holds while the store lives
  Status lock_status_;                  // OK when the lock is held: only then may it be saved
  bool unreadable_ = false;             // the file could not be read; keep it before saving
  TiXmlDocument doc_;                   // the parsed file, always with a root element
  std::vector<FavoriteEntry> entries_;  // the bookmarks that have a search context, in order
};

// Writes `folder`'s Favorite.xml anew with exactly `entries`, in their order; whatever else the
// old file held is dropped. The old file is replaced in one step, never removed first: on
// failure it stays as it was and the answer is false.
bool RewriteFavorites(const std::vector<FavoriteEntry>& entries,
                      const std::string& folder = kFavoriteFolder);

}  // namespace sorvik
