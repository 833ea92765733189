// The program's narrow texts (the system code page, GBK) as the UTF-16 text that the shell's
// wide interfaces and the wide file-drop format take, and back.
#pragma once

#include <string>

namespace sorvik {

// `text` converted from the system code page to UTF-16; "" for "" or text that cannot be
// converted.
std::wstring AnsiToWide(const std::string& text);
// `text` converted from UTF-16 to the system code page ("?" for what it cannot hold); "" for "".
std::string WideToAnsi(const std::wstring& text);

}  // namespace sorvik
