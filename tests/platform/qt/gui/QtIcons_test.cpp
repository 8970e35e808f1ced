#include "platform/qt/gui/QtIcons.h"

#include <gtest/gtest.h>

#include <QApplication>

#include "platform/qt/gui/DialogUnits.h"
#include "platform/qt/gui/QtKeys.h"
#include "platform/window/KeyCode.h"

namespace kv {
namespace {

TEST(QtIcons, ProgramIconNamesComeFromTheInstalledTheme) {
  for (const char* name : {"VIEW.ICO", "INSERT.ICO", "CHANGE.ICO", "DELETE.ICO", "CLOSE.ICO",
                           "HELP.ICO", "OK.ICO", "CANCEL.ICO", "FRAME.ICO", "~close.ico"}) {
    SCOPED_TRACE(name);
    EXPECT_FALSE(ThemeIconName(name).isEmpty());
    EXPECT_TRUE(ThemeHasIcon(name)) << "the theme package must provide it";
    QIcon icon = IconFor(name);
    ASSERT_FALSE(icon.isNull());
    EXPECT_FALSE(icon.pixmap(16, 16).isNull());
  }
}

TEST(QtIcons, UnknownNamesGetAReadableFallbackAndEmptyNamesNone) {
  EXPECT_TRUE(ThemeIconName("STRANGE.ICO").isEmpty());
  QIcon fallback = IconFor("STRANGE.ICO");
  ASSERT_FALSE(fallback.isNull());
  QImage image = fallback.pixmap(32, 32).toImage();
  EXPECT_NE(image.pixelColor(16, 2).alpha(), 0) << "a drawn tile, not a blank";
  EXPECT_TRUE(IconFor("").isNull());
}

TEST(DialogUnits, ConvertBothWaysAndScaleWithTheFont) {
  QFont small = WindowFont("MS Sans Serif");
  QFont large = small;
  large.setPointSize(small.pointSize() * 2);
  DialogUnits a(small), b(large);
  for (int units : {0, 1, 4, 8, 37, 100, 250}) {
    SCOPED_TRACE(units);
    EXPECT_EQ(a.ToX(a.X(units)), units);
    EXPECT_EQ(a.ToY(a.Y(units)), units);
    EXPECT_GE(b.X(units), a.X(units));
  }
  EXPECT_GT(b.Y(80), a.Y(80) * 3 / 2) << "twice the font, about twice the pixels";
  EXPECT_EQ(WindowFont("NoSuchFamily,12").pointSize(), 12);
}

TEST(QtKeys, TranslateBothWays) {
  struct Case {
    int qtKey;
    Qt::KeyboardModifiers mods;
    int code;
  } cases[] = {
      {Qt::Key_Return, Qt::NoModifier, kKeyEnter},
      {Qt::Key_Return, Qt::ControlModifier, kKeyEnter | kCtrl},
      {Qt::Key_Return, Qt::ShiftModifier, kKeyEnter | kShift},
      {Qt::Key_Insert, Qt::NoModifier, kKeyInsert},
      {Qt::Key_Delete, Qt::NoModifier, kKeyDelete},
      {Qt::Key_Menu, Qt::NoModifier, kKeyApps},
      {Qt::Key_Home, Qt::ControlModifier, kKeyHome | kCtrl},
      {Qt::Key_H, Qt::ControlModifier, 'H' | kCtrl},
      {Qt::Key_7, Qt::NoModifier, '7'},
      {Qt::Key_F1, Qt::NoModifier, kKeyF1},
      {Qt::Key_PageDown, Qt::NoModifier, kKeyPageDown},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(KeyName(c.code));
    EXPECT_EQ(KeyCodeFromQt(c.qtKey, c.mods), c.code);
    int key = 0;
    Qt::KeyboardModifiers mods;
    ASSERT_TRUE(QtKeyFromKeyCode(c.code, &key, &mods));
    EXPECT_EQ(KeyCodeFromQt(key, mods), c.code);
  }
  EXPECT_EQ(KeyCodeFromQt(Qt::Key_Backtab, Qt::ShiftModifier), kKeyTab | kShift);
  EXPECT_EQ(KeyCodeFromQt(Qt::Key_CapsLock, Qt::NoModifier), 0);
  int key = 0;
  Qt::KeyboardModifiers mods;
  EXPECT_FALSE(QtKeyFromKeyCode(kMouseRightUp, &key, &mods));
}

}  // namespace
}  // namespace kv
