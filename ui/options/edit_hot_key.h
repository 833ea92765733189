// The hot-key box of the options window: pressing a key combination in it shows the combination
// ("Ctrl + Shift + F5") and makes it the box's value; the key itself never reaches the edit.
// Tab, Shift+Tab, Return and Esc stay the dialog's (they move on, confirm and cancel), and a key
// without a name (a modifier alone, Page Up, Space) leaves the value and the text as they are.
#pragma once

#include <cstdint>

#include "ui/edit_base.h"

namespace sorvik {

class CEditHotKey : public CEditBase {
 public:
  // Shows `value` as text; 0 leaves the text as it is.
  void SetValue(uint32_t value);
  // Shows `value` as text, an empty box for 0.
  void ShowValue(uint32_t value);
  uint32_t Value() const { return value_; }

 protected:
  bool PreTranslate(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  // A key-down: the modifiers held now and the key, when the key has a name.
  void Capture(uint32_t code);

  uint32_t value_ = 0;  // the hot-key value shown
};

// Whether `key` is one the dialog manager acts on (Tab, Return, Esc) rather than the box.
bool IsDialogNavigationKey(WPARAM key);

}  // namespace sorvik
