#include "platform/qt/gui/DialogUnits.h"

#include <QApplication>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <cmath>

namespace kv {

DialogUnits::DialogUnits(const QFont& font) {
  QFontMetricsF metrics(font);
  // The average width over the alphabet, as dialog layouts have always been measured.
  const QString alphabet = QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
  double width = metrics.horizontalAdvance(alphabet) / 52.0;
  if (width > 0) baseX_ = width;
  if (metrics.height() > 0) baseY_ = metrics.height();
}

int DialogUnits::X(int units) const {
  return static_cast<int>(std::lround(units * baseX_ / 4.0));
}
int DialogUnits::Y(int units) const {
  return static_cast<int>(std::lround(units * baseY_ / 8.0));
}
int DialogUnits::ToX(int pixels) const {
  return static_cast<int>(std::lround(pixels * 4.0 / baseX_));
}
int DialogUnits::ToY(int pixels) const {
  return static_cast<int>(std::lround(pixels * 8.0 / baseY_));
}
QRect DialogUnits::ToPixels(const Rect& r) const {
  return QRect(X(r.x), Y(r.y), X(r.width), Y(r.height));
}

QFont WindowFont(const std::string& name) {
  QFont font = QApplication::font();
  QString text = QString::fromStdString(name);
  QString family = text.section(',', 0, 0).trimmed();
  bool sized = false;
  int points = text.section(',', 1, 1).trimmed().toInt(&sized);
  if (!family.isEmpty() && QFontDatabase::families().contains(family, Qt::CaseInsensitive)) {
    font.setFamily(family);
  }
  font.setPointSize(sized && points > 0 ? points : 9);
  return font;
}

}  // namespace kv
