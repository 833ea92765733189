// The program's narrow texts (the system code page, GBK) as the UTF-16 text that the shell's
// wide interfaces and the wide file-drop format take.
#pragma once

#include <string>

namespace sorvik {

// `text` converted from the system code page to UTF-16; "" for "" or text that cannot be
// converted.
std::wstring AnsiToWide(const std::string& text);

}  // namespace sorvik
