#include "ui/search/not_found_text.h"

#include <cstdio>

namespace sorvik {
namespace {

constexpr int kMarginWithoutTime = 15;
constexpr int kMarginWithTime = 10;

}  // namespace

const char* CategoryName(int category) {
  switch (category) {
    case -1:
      return "全部文件";
    case 0:
      return "文件夹";
    case 2:
      return "图片";
    case 3:
      return "文档";
    case 4:
      return "应用程序";
    case 5:
      return "视频";
    default:
      return "";
  }
}

NotFoundText ComposeNotFoundText(const std::string& keywords, const std::string& location,
                                 int category, int year, int month) {
  NotFoundText result;
  std::string& text = result.text;
  text = "抱歉，没有找到文件！请更换您的搜索条件！";
  // Texts of two bytes or fewer (one Chinese character, "C:") follow the word for "none".
  text += keywords.size() > 2 ? "\r\n搜索关键字：" : "\r\n搜索关键字：无";
  text += keywords;
  text += location.size() > 2 ? "\r\n搜索路径：" : "\r\n搜索路径： 我的电脑";
  text += location;
  const std::string name = CategoryName(category);
  if (!name.empty()) text += "\r\n搜索分类：" + name;
  result.top_margin = kMarginWithoutTime;
  if (year != 0) {
    char line[64];
    if (month != 0)
      std::snprintf(line, sizeof line, "文件时间：%d年%d月", year, month);
    else
      std::snprintf(line, sizeof line, "文件时间：%d年", year);
    text += "\r\n";
    text += line;
    result.top_margin = kMarginWithTime;
  }
  return result;
}

}  // namespace sorvik
