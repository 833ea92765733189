// Writes the seed corpora of the fuzz targets from real files: a small index built from the seed
// tree by the real build run, and settings and favourites files written by their stores.
//   make_seeds CORPUS_DIR      (fuzz/corpus; one folder per target)
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "favourites/favorite_store.h"
#include "fuzz/fuzz_support.h"
#include "lifecycle/build_index.h"
#include "platform/fs.h"
#include "query/removal_list.h"
#include "query/search_request.h"
#include "settings/config_store.h"

namespace sorvik {
namespace {

using fuzz::JoinParts;

std::string g_out;  // corpus folder (POSIX path)

void Put(const std::string& target, const std::string& name, const std::string& bytes) {
  const std::string folder = g_out + "/" + target;
  ::mkdir(folder.c_str(), 0755);
  FILE* file = std::fopen((folder + "/" + name).c_str(), "wb");
  if (file == nullptr) return;
  std::fwrite(bytes.data(), 1, bytes.size(), file);
  std::fclose(file);
}

std::string U16(uint32_t value) {
  return std::string{static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF)};
}
std::string U32(uint32_t value) { return U16(value & 0xFFFF) + U16(value >> 16); }

// The request part of the search target: category, hidden, month range, page, page size, then
// the keyword line and the location.
std::string Request(int category, int hidden, uint16_t from, uint16_t to, int page, int size,
                    const std::string& keywords, const std::string& location) {
  return std::string(1, static_cast<char>(category)) + static_cast<char>(hidden) + U16(from) +
         U16(to) + static_cast<char>(page) + U16(static_cast<uint16_t>(size)) + keywords + "\n" +
         location;
}

// GBK: "report" and "picture".
const std::string kReport = "\xB1\xA8\xB8\xE6";
const std::string kPicture = "\xCD\xBC\xC6\xAC";

void SearchSeeds(const std::vector<std::string>& files) {
  const uint16_t march2008 = 108 * 256 + 3;
  const std::vector<std::string> requests = {
      Request(-1, 0, 0, 0, 1, 800, "report", ""),
      Request(-1, 0, 0, 0, 1, 800, "2008 doc, song", ""),
      Request(3, 0, 0, 0, 1, 800, kReport, "G:\\docs"),
      Request(2, 1, 0, 0, 1, 800, kPicture + ",[a]", "g:\\PICTURES"),
      Request(-1, 0, march2008, march2008 + 1, 1, 800, "", ""),
      Request(0, 0, 108 * 256, 109 * 256, 2, 3, "", "G:"),
      Request(-1, 1, 0, 0, 1, -1,
              "xxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx",
              "G:\\docs\\sub"),
  };
  const std::vector<std::string> removals = {"", U32(3), U32(0x80000002u) + U32(4) + U32(9)};
  for (size_t i = 0; i < requests.size(); ++i) {
    std::vector<std::string> parts = files;
    parts.push_back(removals[i % removals.size()]);
    parts.push_back(requests[i]);
    Put("search", "seed-" + std::to_string(i), JoinParts(parts));
  }
}

void NameIndexSeeds(const std::string& matrix, const std::string& postings) {
  // Keys: "re" 0x1205, "20" 0x3230, the first character of "report" and of "picture".
  const std::string queries = U16(0x1205) + std::string("\x01\x80", 2) + U16(40) + U16(0x3230) +
                              std::string("\x01\x10", 2) + U16(20) + U16(0xB1A8) +
                              std::string("\x00\x05", 2) + U16(30) + U16(0xCDBC) +
                              std::string("\x02\x02", 2) + U16(8);
  const std::string words = "report\n2008\n" + kReport + "\n" + kPicture + ".jpg\n[a]{b}";
  Put("name_index", "seed-0", JoinParts({matrix, postings, queries, words}));
  Put("name_index", "seed-1", JoinParts({"R" + std::string(8, '\0'), "", queries, "ab"}));
}

void KeywordSeeds() {
  std::string names;
  for (const std::string& name : fuzz::TreeNames()) {
    if (name.back() == '\\') continue;
    names += (names.empty() ? "" : "\n") + name.substr(name.rfind('\\') + 1);
  }
  const std::vector<std::string> lines = {"report",
                                          "REPORT_2008 doc",
                                          "2008, song",
                                          kReport + " pdf",
                                          "[a] {b}",
                                          "x*y?z",
                                          "\xA1\xA1report\xA3\xACsong",
                                          std::string(140, 'x'),
                                          "a, ,b"};
  for (size_t i = 0; i < lines.size(); ++i) {
    const std::string settings{static_cast<char>(i < 2 ? 0xE0 + i : i), static_cast<char>(i * 7)};
    Put("keywords", "seed-" + std::to_string(i), JoinParts({settings, names, lines[i]}));
  }
}

// `levels` elements called `name`, each inside the one before, never closed.
std::string Nested(const std::string& name, int levels) {
  std::string text;
  for (int i = 0; i < levels; ++i) text += "<" + name + ">";
  return text;
}

void SettingsSeeds(const std::string& work) {
  const std::string path = work + "\\" + kConfigFileName;
  ConfigStore store(path);
  store.Set(kConfigShortcutKey, "65611");
  store.Set(kConfigIndexPosition, "C:|D:");
  store.Set(kConfigIndexUpdateFreq, "60");
  store.Set(kConfigAutorun, "false");
  const std::string written = fuzz::ReadFileBytes(path);
  Put("config_store", "seed-0", JoinParts({written, kConfigIndexRemovable, "TRUE"}));
  Put("config_store", "seed-1", JoinParts({"", "index_position", "G:|H:"}));
  Put("config_store", "seed-2",
      JoinParts({"<?xml version=\"1.0\"?>\n<settings>\n<other/>\n</settings>", "k", "<&\"'>"}));

  const std::string folder = work + "\\NFavorite";
  {
    auto favorites = FavoriteStore::Open(folder);
    favorites->Add("reports 2008", MakeSearchRequest(kReport, "C:\\docs", 3, true, 2008, 0));
    favorites->Add("<all>", SearchRequest());
    favorites->Add("songs & pictures",
                   MakeSearchRequest("song," + kPicture, "", -1, false, 2008, 3));
    favorites->Save();
  }
  const std::string favorites = fuzz::ReadFileBytes(folder + "\\" + kFavoriteFileName);
  Put("favorite_store", "seed-0", JoinParts({favorites, "new", std::string("\x02\x01", 2)}));
  Put("favorite_store", "seed-1", JoinParts({"", "t", std::string(6, '\0') + "word\nD:\\x"}));
  // Cut short, and nested far deeper than any real file.
  Put("favorite_store", "seed-2",
      JoinParts({favorites.substr(0, favorites.size() / 2), "cut", std::string(6, '\0')}));
  Put("favorite_store", "seed-3", JoinParts({Nested("bookmark", 5000), "deep", "x"}));
  Put("config_store", "seed-3", JoinParts({written.substr(0, written.size() * 2 / 3), "k", "v"}));
  Put("config_store", "seed-4", JoinParts({Nested("appSettings", 5000), "k", "v"}));
}

// The update server's texts: a notice body, version answers, an update list.
void UpdateSeeds() {
  Put("notice_lines", "seed-0", "Notice one\thttp://127.0.0.1/a\ttip\r\nab\nfour\n");
  Put("version_answer", "seed-0", "ok 10009\r\n");
  Put("version_answer", "seed-1", "\n\n okay");
  Put("update_list", "seed-0",
      "%AppPath%\\Sorvik.exe,0,9524DB034E7168754C0C5BD206702E68649B5BD2978A444B,"
      "http://127.0.0.1/Sorvik.exe\r\n"
      "%SystemRoot%\\sub\\b.ocx,1,00,http://127.0.0.1/b.ocx\n"
      "%AppPath%\\..\\x.dll,1,00,http://127.0.0.1/x\n");
}

}  // namespace
}  // namespace sorvik

int main(int argc, char** argv) {
  using namespace sorvik;
  if (argc != 2) {
    std::fprintf(stderr, "usage: make_seeds CORPUS_DIR\n");
    return 2;
  }
  g_out = argv[1];
  ::mkdir(g_out.c_str(), 0755);
  const std::string work = fuzz::ScratchFolder::Get().Fresh();
  ConfigStore settings(work + "\\" + kConfigFileName);
  settings.Set(kConfigIndexPosition, fuzz::ScratchFolder::Get().TreeDrive());
  BuildOptions options;
  options.work = work + "\\";
  options.settle_ms = 0;
  if (!BuildIndex(&settings, options)) {
    std::fprintf(stderr, "make_seeds: the seed index could not be built\n");
    return 1;
  }
  const std::string build = work + "\\" + kBuildFolder + "\\";
  std::vector<std::string> files;
  for (const char* name :
       {"db.txt", "db.txt.mai", "index.rw", "index.cm", "index.dm", "index.mtr", "index.dat"}) {
    files.push_back(fuzz::ReadFileBytes(build + name));
  }
  files[5] = fuzz::PackMatrix(files[5]);
  SearchSeeds(files);
  NameIndexSeeds(files[5], files[6]);
  Put("record_store", "seed-0", JoinParts({files[0], files[1]}));
  Put("record_store", "seed-1", JoinParts({files[0].substr(0, 40), files[1].substr(0, 6)}));
  Put("removal_list", "seed-0", JoinParts({U16(20) + "\xFF", U32(3) + U32(0x80000002u) + U32(4)}));
  KeywordSeeds();
  SettingsSeeds(work);
  UpdateSeeds();
  std::printf("make_seeds: corpora written to %s\n", g_out.c_str());
  return 0;
}
