#pragma once

#include <QFont>
#include <QRect>

#include "platform/window/Control.h"

namespace kv {

// Converts the dialog units of window definitions to pixels and back. A horizontal unit is a
// quarter of the font's average character width and a vertical unit an eighth of its line
// height, so a layout drawn for one font keeps its proportions in another: texts still fit
// their prompts and buttons. Thread: the GUI thread (font metrics need the application).
class DialogUnits {
 public:
  DialogUnits() = default;
  explicit DialogUnits(const QFont& font);

  int X(int units) const;     // horizontal units to pixels
  int Y(int units) const;     // vertical units to pixels
  int ToX(int pixels) const;  // pixels to horizontal units (rounded to the nearest)
  int ToY(int pixels) const;  // pixels to vertical units
  QRect ToPixels(const Rect& rect) const;

  double BaseX() const { return baseX_; }  // average character width in pixels
  double BaseY() const { return baseY_; }  // line height in pixels

 private:
  double baseX_ = 6.0;
  double baseY_ = 13.0;
};

// The font a window definition names, as it is shown here: the named family when it is
// installed, else the application's default family; 9 points unless the name carries a size
// after a comma ("Tahoma,10"). Thread: the GUI thread.
QFont WindowFont(const std::string& name);

}  // namespace kv
