// The hot-key box of the options window: pressing a key combination in it shows the combination
// ("Ctrl + Shift + F5") and makes it the box's value; the key itself never reaches the edit.
#pragma once

#include <cstdint>

#include "ui/edit_base.h"

namespace sorvik {

class CEditHotKey : public CEditBase {
 public:
  // Shows `value` as text; 0 leaves the text as it is.
  void SetValue(uint32_t value);
  uint32_t Value() const { return value_; }

 protected:
  bool PreTranslate(UINT message, WPARAM wparam, LPARAM lparam, LRESULT* result) override;

 private:
  // A key-down: the modifiers held now and the key, if it has a name.
  void Capture(uint32_t code);

  uint32_t value_ = 0;  // the hot-key value shown
};

}  // namespace sorvik
