// Small helpers for report-view list controls with check boxes, as the dialogs that offer a
// list of choices use them: columns, rows, cell texts and the check state (state image 2 for a
// checked row, 1 for a cleared one).
#pragma once

#include <windows.h>

#include <string>

namespace sorvik {

// Appends a left-aligned column of `width` pixels.
void AddListColumn(HWND list, const char* title, int width);
// Turns on the check boxes and full-row selection.
void UseCheckBoxes(HWND list);
// Appends a row with `text` in column 0 and `data` as item data; its index, or -1.
int AddListRow(HWND list, const std::string& text, LPARAM data);
void SetCellText(HWND list, int row, int column, const std::string& text);
std::string CellText(HWND list, int row, int column);
int ListRowCount(HWND list);
void SetRowChecked(HWND list, int row, bool checked);
// The row's state image index (0 none, 1 cleared, 2 checked).
int RowStateImage(HWND list, int row);

}  // namespace sorvik
