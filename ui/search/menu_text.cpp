#include "ui/search/menu_text.h"

#include "text/gbk_text.h"

namespace sorvik {

std::string MenuTitle(const std::string& title) {
  std::string shown;
  size_t i = 0;
  while (i < title.size()) {
    const size_t length = GbkCharLength(title, i);
    if (i + length > kMenuTitleBytes && title.size() > kMenuTitleBytes) {
      shown += "…";
      break;
    }
    if (title[i] == '&') shown += '&';
    shown.append(title, i, length);
    i += length;
  }
  return shown;
}

}  // namespace sorvik
