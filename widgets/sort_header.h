// CSortHeader: a list view's header control, subclassed to paint its own items and the sort
// mark, a small triangle in the sort column pointing up for ascending and down for descending.
// The result list and the process list both use it, each in its own look.
#pragma once

#include <windows.h>

namespace sorvik {

// How the header paints its items.
enum class HeaderLook {
  kRaised,  // the system's button face, raised item edges, a shaded outline mark
  kFlat,    // a pale blue face, grey-blue item separators, a filled dark-blue mark
};

class CSortHeader {
 public:
  explicit CSortHeader(HeaderLook look = HeaderLook::kRaised) : look_(look) {}
  ~CSortHeader() { Detach(); }
  CSortHeader(const CSortHeader&) = delete;
  CSortHeader& operator=(const CSortHeader&) = delete;

  // Subclasses the header control `header`; false when it is null or cannot be subclassed.
  // The header paints with the font it is given (WM_SETFONT).
  bool Attach(HWND header);
  void Detach();
  // Marks `column` (-1: none) with the direction and repaints the header.
  void SetMark(int column, bool ascending);
  int MarkColumn() const { return column_; }
  bool MarkAscending() const { return ascending_; }

 private:
  // One header item as the header reports it.
  struct Item {
    int index;
    RECT rect;
    int format;  // HDF_ flags
    char text[128];
  };

  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                               DWORD_PTR data);
  void Paint();
  bool ReadItem(int index, Item* item) const;
  void PaintRaisedItem(HDC dc, const Item& item) const;
  void PaintFlatItem(HDC dc, const Item& item) const;

  HeaderLook look_;         // how the items are painted
  HWND hwnd_ = nullptr;     // the header while subclassed
  int column_ = -1;         // the marked column, -1 for none
  bool ascending_ = false;  // direction of the mark
};

// Draws the raised look's sort triangle with its right edge at `right`, centred on `middle_y`,
// in the button-highlight and button-shadow colours.
void DrawSortMark(HDC dc, int right, int middle_y, bool ascending);

}  // namespace sorvik
