#include "framework/errors/ErrorWindow.h"

#include <string>

namespace kv {
namespace {

WindowDefinition BuildErrorWindow() {
  WindowDefinition def("Error");
  def.Size(320, 96).Font("MS Sans Serif,8");
  def.Image("?IMAGE", {}).At(2, 4, 26, 28).Number(kErrorWindowImage);
  def.List("?LIST", kErrorWindowListFormat).At(32, 4, 286, 71).Number(kErrorWindowList);
  // Left to right, so that Tab moves through them in the order they are seen.
  for (int i = 1; i <= kErrorWindowButtons; ++i) {
    std::string n = std::to_string(i);
    def.Button("?BUTTON" + n, "Button " + n)
        .At(4 + (i - 1) * 40, 80, 36, 14)
        .Hidden()
        .Number(kErrorWindowFirstButton + kErrorWindowButtons - i);
  }
  return def;
}

}  // namespace

const WindowDefinition& ErrorWindow() {
  static const WindowDefinition definition = BuildErrorWindow();
  return definition;
}

}  // namespace kv
