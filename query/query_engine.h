// Query execution: turns a search request into the set of matching entries of a loaded index and
// cuts a page out of it. Callers hold the index mutex for the whole call.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "query/entry_set.h"
#include "query/search_request.h"

namespace sorvik {

class DetailsSource;
class IndexReader;
class LiveLayer;
class LoadedIndex;
class SearchResult;

// Marks in `set` the entries whose name holds `word` (its name keys at consecutive key
// positions). A word without keys matches nothing.
void MatchWord(IndexReader* reader, const std::string& word, EntrySet* set);
// MatchWord for a word whose matches are only wanted where `within` holds them: entries outside
// `within` may be left out of `set`, which lets a word after the first of an alternative skip
// the lists that could only add entries the alternative drops anyway.
void MatchWordWithin(IndexReader* reader, const std::string& word, const EntrySet& within,
                     EntrySet* set);

// MatchWord for a word already cut into `keys` (for the name index or one cut the same way);
// with `within`, as MatchWordWithin.
void MatchKeys(IndexReader* reader, const std::vector<uint32_t>& keys, const EntrySet* within,
               EntrySet* set);

// Marks in `set` the entries whose name holds every word of one alternative; no word: nothing.
// The words are matched rarest first, as their rarest key suggests.
void MatchRun(IndexReader* reader, const std::vector<std::string>& words, EntrySet* set);

// The matching entries of `request`: keywords, hidden, category, location, month range and
// the removal list. Null when the location is not on disk, not in the index or empty, or when
// the set cannot be allocated.
std::unique_ptr<EntrySet> BuildSet(LoadedIndex* index, const SearchRequest& request);

// One page of the answer: ranks pageSize * (page - 1) + 1 onwards (pageSize -1: every match),
// with the first 100 entries' details read through `source`. `total` receives the count of all
// matches. With a `layer`, its removals leave the index's matches and its matching additions
// follow them. The result has refCount 1. Null when a posting list could not be read whole
// (its file shrank since the index was loaded, a read error): never an answer with it missing.
// The first details are read through `preload` when given (a reader of the same generation that
// works under a lock the caller holds), else through `source`.
SearchResult* RunQuery(LoadedIndex* index, DetailsSource* source, const SearchRequest& request,
                       int page, int pageSize, uint32_t* total, const LiveLayer* layer = nullptr,
                       DetailsSource* preload = nullptr);

}  // namespace sorvik
