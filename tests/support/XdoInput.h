#pragma once

// Real X input for the tests driven by it (folders named xinput): xdotool moves the pointer,
// clicks and presses keys through the X server, and the GUI picks the events up when the test
// pumps its events. Thread: the GUI thread.
#include <QPoint>
#include <QProcess>
#include <QString>
#include <QStringList>
#include <QWidget>

namespace kv::test {

// Runs xdotool with `args`; true when it succeeded.
inline bool Xdo(const QStringList& args) {
  return QProcess::execute(QStringLiteral("xdotool"), args) == 0;
}

// Moves the pointer to `global` (screen coordinates) and clicks `button` (1 left, 3 right).
inline bool ClickAt(const QPoint& global, int button = 1) {
  return Xdo({"mousemove", "--sync", QString::number(global.x()), QString::number(global.y()),
              "click", QString::number(button)});
}

// Presses the keys named in `keys`, separated by blanks ("Down Return").
inline bool Key(const QString& keys) {
  return Xdo(QStringList{"key"} + keys.split(' '));
}

// The centre of a widget in screen coordinates.
inline QPoint Centre(QWidget* w) {
  return w->mapToGlobal(w->rect().center());
}

}  // namespace kv::test
