#pragma once

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>

#include "platform/qt/gui/QtControl.h"

namespace kv {

class Utf8LimitValidator;

// The controls other than lists. Each owns its widget through the window's content widget
// (Qt's parent ownership); the classes only keep a pointer. Thread: the GUI thread.

// A prompt: a label. Its "&" mark focuses the entry that follows it.
class QtPrompt final : public QtControl {
 public:
  QtPrompt(QtWindow& window, const Control& control, QWidget* parent);
  QWidget* Widget() const override { return label_; }
  void SetBuddy(QWidget* buddy);

 protected:
  void SyncOwn(const Control& control, bool first) override;

 private:
  QLabel* label_;
  bool hasBuddy_ = false;
};

// An entry: a line edit showing the screen text of the model. Leaving it (Tab, or the focus
// moving away) with a changed text accepts that text (LeaveEntry), which copies it back
// through the picture on the owning thread; Enter accepts it as well and then presses the
// window's default button. A picture "s<n>" limits the text to n bytes of UTF-8 (typing
// stops there, pasted text keeps what fits); numbers align to the right; password entries
// mask what is typed.
class QtEntry final : public QtControl {
 public:
  QtEntry(QtWindow& window, const Control& control, QWidget* parent);
  QWidget* Widget() const override { return edit_; }
  QLineEdit* Edit() const { return edit_; }
  // Accepts a changed text without leaving the entry (a button pressed by its mnemonic, a
  // menu item chosen); with `enter`, the Enter key's effect as well. True when a changed text
  // was accepted.
  bool Commit(bool enter);

 protected:
  void SyncOwn(const Control& control, bool first) override;
  bool TakeKey(int keyCode) override;
  void CommitTyping() override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QLineEdit* edit_;
  Utf8LimitValidator* limit_ = nullptr;  // owned by edit_
  bool edited_ = false;                  // the person changed the text since it was accepted
  // Reached from the keyboard (Tab, a mnemonic) or by the program's request: the whole text is
  // selected, and stays selected when the model's text replaces it, until the person types,
  // clicks or leaves, so that what is typed replaces the value shown.
  bool selectWhole_ = false;
};

// A check box: a click toggles the model's check and accepts the control.
class QtCheck final : public QtControl {
 public:
  QtCheck(QtWindow& window, const Control& control, QWidget* parent);
  QWidget* Widget() const override { return box_; }

 protected:
  void SyncOwn(const Control& control, bool first) override;

 private:
  QCheckBox* box_;
};

// A button: text with "&" mnemonics, icon, tool tip, default flag; a click, Space, Enter or
// its mnemonic accepts it (after the focused entry's typed text was accepted).
//
// As on other desktops, a button that has the focus is the one Enter presses, so it alone is
// drawn as the default button then; the window's default button looks so again once the focus
// leaves the buttons.
class QtButton final : public QtControl {
 public:
  QtButton(QtWindow& window, const Control& control, QWidget* parent);
  QWidget* Widget() const override { return button_; }
  // Draws the button as the default one or not, from the window's focused button.
  void ShowDefault();

 protected:
  void SyncOwn(const Control& control, bool first) override;
  bool TakeKey(int keyCode) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  QPushButton* button_;
};

// A sheet: a tab widget whose pages are the sheet's tabs. The controls on a page are children
// of the window's content like every other control; the window shows only those of the page
// selected, so their places stay the ones the definition gives.
class QtSheet final : public QtControl {
 public:
  QtSheet(QtWindow& window, const Control& control, QWidget* parent);
  QWidget* Widget() const override { return tabs_; }
  // Adds the page of tab control `number`; returns the page widget.
  QWidget* AddPage(int number, const QString& text);
  void SyncTab(int number, const Control& tab);
  void RemovePage(int number);
  // The tab number shown (the selected tab, or the first when none is selected).
  int ShownTab() const;

 protected:
  void SyncOwn(const Control& control, bool first) override;

 private:
  int IndexOf(int number) const;
  QTabWidget* tabs_;
};

// A tab of a sheet: the sheet shows it as a page.
class QtTab final : public QtControl {
 public:
  QtTab(QtWindow& window, const Control& control);
  ~QtTab() override;
  QWidget* Widget() const override { return page_; }

 protected:
  void SyncOwn(const Control& control, bool first) override;
  bool Positioned() const override { return false; }

 private:
  QtSheet* Sheet() const;
  QWidget* page_ = nullptr;
};

// An image: the icon or picture file named, scaled into the control's rectangle.
class QtImage final : public QtControl {
 public:
  QtImage(QtWindow& window, const Control& control, QWidget* parent);
  QWidget* Widget() const override { return label_; }

 protected:
  void SyncOwn(const Control& control, bool first) override;

 private:
  QLabel* label_;
};

// A group box with its caption.
class QtGroup final : public QtControl {
 public:
  QtGroup(QtWindow& window, const Control& control, QWidget* parent);
  QWidget* Widget() const override { return box_; }

 protected:
  void SyncOwn(const Control& control, bool first) override;

 private:
  QGroupBox* box_;
};

}  // namespace kv
