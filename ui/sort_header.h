// CSortHeader: the result list's header control, subclassed to paint its own items and the
// sort mark: a small triangle in the sort column, pointing up for ascending and down for
// descending.
#pragma once

#include <windows.h>

namespace sorvik {

class CSortHeader {
 public:
  CSortHeader() = default;
  ~CSortHeader() { Detach(); }
  CSortHeader(const CSortHeader&) = delete;
  CSortHeader& operator=(const CSortHeader&) = delete;

  // Subclasses the header control `header`; false when it is null or cannot be subclassed.
  bool Attach(HWND header);
  void Detach();
  // Marks `column` (-1: none) with the direction and repaints the header.
  void SetMark(int column, bool ascending);
  int MarkColumn() const { return column_; }
  bool MarkAscending() const { return ascending_; }

 private:
  static LRESULT CALLBACK Proc(HWND hwnd, UINT message, WPARAM wparam, LPARAM lparam, UINT_PTR id,
                               DWORD_PTR data);
  void Paint();
  void PaintItem(HDC dc, int index);

  HWND hwnd_ = nullptr;     // the header while subclassed
  int column_ = -1;         // the marked column, -1 for none
  bool ascending_ = false;  // direction of the mark
};

// Draws the sort triangle with its right edge at `right`, centred on `middle_y`, in the
// button-highlight and button-shadow colours.
void DrawSortMark(HDC dc, int right, int middle_y, bool ascending);

}  // namespace sorvik
