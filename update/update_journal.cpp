#include "update/update_journal.h"

#include <algorithm>

#include "update/text_lines.h"

namespace sorvik {
namespace {

const char* StateName(UpdateJournal::State state) {
  switch (state) {
    case UpdateJournal::State::kPending:
      return "pending";
    case UpdateJournal::State::kCommitted:
      return "committed";
    default:
      return "idle";
  }
}

// ASCII letters only: a GBK trail byte is never changed.
bool SamePath(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

void ParseLine(const std::string& line, UpdateJournal* journal) {
  const size_t tab = line.find('\t');
  if (tab == std::string::npos || tab + 1 >= line.size()) return;
  const std::string tag = line.substr(0, tab), rest = line.substr(tab + 1);
  if (tag == "state") {
    if (rest == "pending") journal->state = UpdateJournal::State::kPending;
    if (rest == "committed") journal->state = UpdateJournal::State::kCommitted;
  } else if (tag == "put" && rest.size() > 2 && (rest[0] == '0' || rest[0] == '1') &&
             rest[1] == '\t') {
    journal->puts.push_back(JournalPut{rest.substr(2), rest[0] == '1'});
  } else if (tag == "installed") {
    AddOnce(&journal->installed, rest);
  } else if (tag == "folder") {
    AddOnce(&journal->folders, rest);
  }
}

}  // namespace

void AddOnce(std::vector<std::string>* list, const std::string& path) {
  const bool known = std::any_of(list->begin(), list->end(),
                                 [&](const std::string& have) { return SamePath(have, path); });
  if (!known) list->push_back(path);
}

std::string FormatJournal(const UpdateJournal& journal) {
  std::string text = std::string("state\t") + StateName(journal.state) + "\n";
  for (const JournalPut& put : journal.puts)
    text += std::string("put\t") + (put.had_old ? "1" : "0") + "\t" + put.target + "\n";
  for (const std::string& path : journal.installed) text += "installed\t" + path + "\n";
  for (const std::string& path : journal.folders) text += "folder\t" + path + "\n";
  return text;
}

UpdateJournal ParseJournal(const std::string& text) {
  UpdateJournal journal;
  for (const std::string& line : SplitLines(text)) ParseLine(line, &journal);
  return journal;
}

}  // namespace sorvik
