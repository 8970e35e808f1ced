#include "platform/qt/gui/QtIcons.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPixmap>
#include <QStyle>
#include <utility>

#include "platform/window/ModalServices.h"

namespace kv {
namespace {

constexpr std::pair<const char*, const char*> kThemeNames[] = {
    {"VIEW.ICO", "edit-find"},
    {"INSERT.ICO", "list-add"},
    {"CHANGE.ICO", "accessories-text-editor"},
    {"DELETE.ICO", "edit-delete"},
    {"CLOSE.ICO", "window-close"},
    {"HELP.ICO", "help-browser"},
    {"OK.ICO", "emblem-default"},
    {"CANCEL.ICO", "process-stop"},
    {"FRAME.ICO", "x-office-spreadsheet"},
};

QString Normalised(const std::string& name) {
  QString n = QString::fromStdString(name).trimmed();
  while (n.startsWith('~')) n.remove(0, 1);
  return n;
}

// Makes sure a theme with the icons is searched: without a desktop session Qt knows no theme.
void EnsureTheme() {
  static bool done = false;
  if (done) return;
  done = true;
  if (!QIcon::themeName().isEmpty() && QIcon::hasThemeIcon(QStringLiteral("edit-delete"))) return;
  // Platforms without a desktop theme (offscreen, minimal) search only Qt's resources.
  QStringList paths = QIcon::themeSearchPaths();
  QString dataDirs = qEnvironmentVariable("XDG_DATA_DIRS");
  if (dataDirs.isEmpty()) dataDirs = QStringLiteral("/usr/local/share:/usr/share");
  for (const QString& dir : dataDirs.split(':', Qt::SkipEmptyParts)) {
    QString icons = dir + QStringLiteral("/icons");
    if (!paths.contains(icons) && QDir(icons).exists()) paths.append(icons);
  }
  QIcon::setThemeSearchPaths(paths);
  for (const char* theme : {"Adwaita", "gnome", "hicolor"}) {
    QIcon::setThemeName(QString::fromLatin1(theme));
    if (QIcon::hasThemeIcon(QStringLiteral("edit-delete"))) return;
  }
}

QIcon Fallback(const QString& name) {
  QString base = QFileInfo(name).completeBaseName();
  QString letter = base.isEmpty() ? QStringLiteral("?") : base.left(1).toUpper();
  QPixmap pixmap(32, 32);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setBrush(QColor(70, 110, 170));
  p.setPen(Qt::NoPen);
  p.drawRoundedRect(QRectF(1, 1, 30, 30), 6, 6);
  QFont f = p.font();
  f.setBold(true);
  f.setPixelSize(20);
  p.setFont(f);
  p.setPen(Qt::white);
  p.drawText(QRect(0, 0, 32, 32), Qt::AlignCenter, letter);
  p.end();
  return QIcon(pixmap);
}

// The style's drawing of a stock icon: the ones message boxes show, by their numbers.
QIcon StockIconFor(std::uint16_t number) {
  QStyle::StandardPixmap pixmap = QStyle::SP_MessageBoxInformation;
  switch (number) {
    case 32513:  // hand
      pixmap = QStyle::SP_MessageBoxCritical;
      break;
    case 32514:  // question
      pixmap = QStyle::SP_MessageBoxQuestion;
      break;
    case 32515:  // exclamation
      pixmap = QStyle::SP_MessageBoxWarning;
      break;
    case 32516:  // information
      break;
    default:
      return Fallback(QStringLiteral("Stock"));
  }
  return QApplication::style()->standardIcon(pixmap);
}

}  // namespace

QString ThemeIconName(const std::string& name) {
  QString n = Normalised(name);
  for (const auto& [program, theme] : kThemeNames) {
    if (n.compare(QLatin1String(program), Qt::CaseInsensitive) == 0) {
      return QString::fromLatin1(theme);
    }
  }
  return {};
}

bool ThemeHasIcon(const std::string& name) {
  EnsureTheme();
  QString theme = ThemeIconName(name);
  return !theme.isEmpty() && QIcon::hasThemeIcon(theme);
}

QIcon IconFor(const std::string& name) {
  QString n = Normalised(name);
  if (n.isEmpty()) return {};
  if (std::uint16_t stock = StockIconNumber(name)) return StockIconFor(stock);
  EnsureTheme();
  QString theme = ThemeIconName(name);
  if (!theme.isEmpty() && QIcon::hasThemeIcon(theme)) return QIcon::fromTheme(theme);
  if (theme.isEmpty() && QIcon::hasThemeIcon(n)) return QIcon::fromTheme(n);  // "edit-copy"
  if (QFileInfo(n).isFile()) {
    QIcon fromFile(n);
    if (!fromFile.isNull() && !fromFile.availableSizes().isEmpty()) return fromFile;
  }
  return Fallback(n);
}

}  // namespace kv
