// The GDI+ headers. They call min and max unqualified, which the MinGW headers do not define as
// macros for C++, so the std versions are brought into the GDI+ namespace first.
#pragma once

#include <windows.h>

#include <algorithm>
namespace Gdiplus {
using std::max;
using std::min;
}  // namespace Gdiplus
#include <gdiplus.h>
