#include "platform/qt/gui/QtSimpleControls.h"

#include <QEvent>
#include <QFocusEvent>
#include <QTabBar>
#include <QValidator>
#include <algorithm>

#include "platform/qt/gui/QtIcons.h"
#include "platform/qt/gui/QtWindow.h"
#include "platform/window/EntryText.h"
#include "platform/window/KeyCode.h"
#include "platform/window/MenuDefinition.h"
#include "platform/window/UserInput.h"
#include "platform/window/Window.h"

namespace kv {
namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

bool NumericPicture(const std::string& picture) {
  return !picture.empty() && (picture[0] == 'n' || picture[0] == 'N');
}

}  // namespace

// Keeps the text of a line edit within the bytes of UTF-8 its entry holds. What was just
// typed or pasted lies before the cursor; it loses its end until the whole fits, so the text
// already there is never cut. Once a character did not fit, typing stops there: a later,
// narrower character is refused too, so the entry never holds a text the person did not type
// (a letter left out in the middle). Taking text away, or the program's own text, ends that.
class Utf8LimitValidator final : public QValidator {
 public:
  explicit Utf8LimitValidator(QObject* parent) : QValidator(parent) {}
  void SetLimit(int bytes) { limit_ = bytes; }
  // The program replaces the text: nothing was refused from it.
  void Reset() { full_ = false; }

  State validate(QString& input, int& pos) const override {
    if (limit_ <= 0) return Acceptable;
    auto fits = [&] { return input.toUtf8().size() <= limit_; };
    // Only a plain insertion at the cursor into the text last let through is refused after a
    // character did not fit; replacing a selection starts afresh.
    qsizetype inserted = input.size() - last_.size();
    qsizetype start = pos - inserted;
    bool insertion = inserted > 0 && start >= 0 && input.left(start) == last_.left(start) &&
                     input.mid(pos) == last_.mid(start);
    if (full_ && insertion) {
      input = last_;
      pos = static_cast<int>(start);
      return Acceptable;
    }
    if (!insertion && input != last_) full_ = false;
    while (!fits() && pos > 0) {
      int n =
          pos >= 2 && input[pos - 1].isLowSurrogate() && input[pos - 2].isHighSurrogate() ? 2 : 1;
      input.remove(pos - n, n);
      pos -= n;
      full_ = true;
    }
    while (!fits() && !input.isEmpty()) {
      int size = static_cast<int>(input.size());
      input.chop(size >= 2 && input[size - 1].isLowSurrogate() ? 2 : 1);
      full_ = true;
    }
    pos = std::min(pos, static_cast<int>(input.size()));
    last_ = input;
    return Acceptable;
  }

 private:
  int limit_ = 0;
  // What validate last let through, and whether it had to refuse something; validate is
  // const in the interface but is the one place that sees every change.
  mutable QString last_;
  mutable bool full_ = false;
};

// Prompt.

QtPrompt::QtPrompt(QtWindow& window, const Control& control, QWidget* parent)
    : QtControl(window, control), label_(new QLabel(parent)) {
  label_->setTextFormat(Qt::PlainText);
}

void QtPrompt::SetBuddy(QWidget* buddy) {
  label_->setBuddy(buddy);
  hasBuddy_ = buddy != nullptr;
  SyncOwn(last_, false);
}

void QtPrompt::SyncOwn(const Control& c, bool) {
  // A label shows "&" marks as mnemonics only with a buddy; without one they are removed.
  label_->setText(hasBuddy_ ? Q(c.text) : Q(StripHotKeyMarks(c.text)));
}

// Entry.

QtEntry::QtEntry(QtWindow& window, const Control& control, QWidget* parent)
    : QtControl(window, control), edit_(new QLineEdit(parent)) {
  limit_ = new Utf8LimitValidator(edit_);
  edit_->setValidator(limit_);
  // The person's own edits (the line edit's modified flag is lost whenever the validator cuts
  // what was typed, so it cannot tell).
  QObject::connect(edit_, &QLineEdit::textEdited, this, [this] { edited_ = true; });
  Watch(edit_);
}

void QtEntry::SyncOwn(const Control& c, bool first) {
  edit_->setReadOnly(c.readOnly);
  edit_->setEchoMode(c.password ? QLineEdit::Password : QLineEdit::Normal);
  int bytes = EntryByteLimit(c);
  limit_->SetLimit(bytes);
  // A character takes at least one byte: the byte limit also bounds the characters.
  edit_->setMaxLength(bytes > 0 ? bytes : 32767);
  edit_->setAlignment(NumericPicture(c.picture) ? Qt::AlignRight | Qt::AlignVCenter
                                                : Qt::AlignLeft | Qt::AlignVCenter);
  // The model's text replaces the screen text when the model changed; what the user is
  // typing stays otherwise.
  QString text = Q(c.text);
  if (first || !edited_ || edit_->text() == text) {
    limit_->Reset();
    if (edit_->text() != text) edit_->setText(text);
    edited_ = false;
  }
  if (selectWhole_ && edit_->hasFocus()) edit_->selectAll();
}

bool QtEntry::Commit(bool enter) {
  WindowId id = WindowIdOf();
  int number = last_.number;
  bool changed = edited_ && !edit_->isReadOnly() && edit_->text() != Q(last_.text);
  edited_ = false;
  if (changed) {
    std::string text = edit_->text().toStdString();
    if (!enter) return LeaveEntry(id, number, text) == InputStatus::kOk;
    (void)TypeText(id, number, text);
  }
  // Enter accepts the entry (changed or not) and presses the default button.
  if (enter) (void)PressKey(id, number, kKeyEnter);
  return changed;
}

void QtEntry::CommitTyping() {
  // The text becomes the model's screen text without accepting the entry: the alerted key's
  // handler decides what happens to it.
  if (!edited_ || edit_->isReadOnly() || edit_->text() == Q(last_.text)) return;
  edited_ = false;
  (void)TypeText(WindowIdOf(), last_.number, edit_->text().toStdString());
}

bool QtEntry::TakeKey(int keyCode) {
  if (keyCode == kKeyEnter) {
    Commit(true);
    return true;
  }
  if (keyCode == kKeyTab || keyCode == (kKeyTab | kShift)) {
    Commit(false);
    return false;  // Tab goes on to move the focus
  }
  return QtControl::TakeKey(keyCode);
}

bool QtEntry::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edit_) {
    switch (event->type()) {
      case QEvent::FocusIn: {
        auto reason = static_cast<QFocusEvent*>(event)->reason();
        selectWhole_ = reason != Qt::MouseFocusReason && reason != Qt::PopupFocusReason &&
                       reason != Qt::ActiveWindowFocusReason;
        if (selectWhole_) edit_->selectAll();
        break;
      }
      case QEvent::KeyPress:
      case QEvent::MouseButtonPress:
      case QEvent::FocusOut:
        selectWhole_ = false;
        break;
      default:
        break;
    }
  }
  if (watched == edit_ && event->type() == QEvent::FocusOut) {
    // Leaving the entry accepts what was typed. A menu or message box opening over it, or
    // another window becoming active, does not leave it.
    auto reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) Commit(false);
  }
  return QtControl::eventFilter(watched, event);
}

// Check box.

QtCheck::QtCheck(QtWindow& window, const Control& control, QWidget* parent)
    : QtControl(window, control), box_(new QCheckBox(parent)) {
  Watch(box_);
  QObject::connect(box_, &QCheckBox::clicked, this, [this] {
    if (Syncing()) return;
    if (Press(WindowIdOf(), last_.number) != InputStatus::kOk) box_->setChecked(last_.checked);
  });
}

void QtCheck::SyncOwn(const Control& c, bool) {
  box_->setText(Q(c.text));
  box_->setChecked(c.checked);
  // A read-only check box shows its state but does not change it.
  box_->setAttribute(Qt::WA_TransparentForMouseEvents, c.readOnly);
  box_->setFocusPolicy(c.readOnly ? Qt::NoFocus : Qt::StrongFocus);
}

// Button.

QtButton::QtButton(QtWindow& window, const Control& control, QWidget* parent)
    : QtControl(window, control), button_(new QPushButton(parent)) {
  Watch(button_);
  button_->setAutoDefault(false);
  QObject::connect(button_, &QPushButton::clicked, this, [this] {
    if (Syncing()) return;
    // A mnemonic presses the button without moving the focus: what was typed into the entry
    // that has it is accepted first, as leaving the entry would.
    window_.CommitFocusedEntry();
    (void)Press(WindowIdOf(), last_.number);
  });
}

void QtButton::SyncOwn(const Control& c, bool) {
  button_->setText(Q(c.text));
  button_->setIcon(IconFor(c.icon));
  ShowDefault();
}

void QtButton::ShowDefault() {
  int focused = window_.FocusedButton();
  button_->setDefault(focused != 0 ? focused == last_.number : last_.isDefault);
}

bool QtButton::eventFilter(QObject* watched, QEvent* event) {
  if (watched == button_ && event->type() == QEvent::FocusIn) {
    window_.SetFocusedButton(last_.number);
  } else if (watched == button_ && event->type() == QEvent::FocusOut) {
    auto reason = static_cast<QFocusEvent*>(event)->reason();
    if (reason != Qt::PopupFocusReason && reason != Qt::ActiveWindowFocusReason) {
      window_.SetFocusedButton(0);
    }
  }
  return QtControl::eventFilter(watched, event);
}

bool QtButton::TakeKey(int keyCode) {
  return QtControl::TakeKey(keyCode);  // Enter presses it, Escape closes the window
}

// Sheet and tabs.

QtSheet::QtSheet(QtWindow& window, const Control& control, QWidget* parent)
    : QtControl(window, control), tabs_(new QTabWidget(parent)) {
  Watch(tabs_);
  Watch(tabs_->tabBar());  // the tab bar has the focus when the sheet has it
  QObject::connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
    if (Syncing() || index < 0) return;
    int tab = tabs_->widget(index)->property("kvTab").toInt();
    if (Press(WindowIdOf(), tab) != InputStatus::kOk) SyncOwn(last_, false);
  });
}

int QtSheet::IndexOf(int number) const {
  for (int i = 0; i < tabs_->count(); ++i) {
    if (tabs_->widget(i)->property("kvTab").toInt() == number) return i;
  }
  return -1;
}

QWidget* QtSheet::AddPage(int number, const QString& text) {
  auto* page = new QWidget;
  page->setProperty("kvTab", number);
  page->setAttribute(Qt::WA_TransparentForMouseEvents);
  QSignalBlocker block(tabs_);
  tabs_->addTab(page, text);
  return page;
}

void QtSheet::SyncTab(int number, const Control& tab) {
  int index = IndexOf(number);
  if (index < 0) return;
  QSignalBlocker block(tabs_);
  tabs_->setTabText(index, Q(tab.text));
  tabs_->setTabEnabled(index, !tab.disabled);
  tabs_->setTabVisible(index, !tab.hidden);
  tabs_->setTabToolTip(index, Q(tab.tip));
}

void QtSheet::RemovePage(int number) {
  int index = IndexOf(number);
  if (index < 0) return;
  QSignalBlocker block(tabs_);
  QWidget* page = tabs_->widget(index);
  tabs_->removeTab(index);
  delete page;
}

int QtSheet::ShownTab() const {
  if (last_.selectedTab != 0 && IndexOf(last_.selectedTab) >= 0) return last_.selectedTab;
  return tabs_->count() > 0 ? tabs_->widget(0)->property("kvTab").toInt() : 0;
}

void QtSheet::SyncOwn(const Control&, bool) {
  int index = IndexOf(ShownTab());
  if (index >= 0 && tabs_->currentIndex() != index) {
    QSignalBlocker block(tabs_);
    tabs_->setCurrentIndex(index);
  }
  tabs_->lower();  // the controls of the pages lie on top of it
  window_.UpdatePages(last_.number);
}

QtTab::QtTab(QtWindow& window, const Control& control) : QtControl(window, control) {
  if (QtSheet* sheet = Sheet()) page_ = sheet->AddPage(control.number, Q(control.text));
}

QtTab::~QtTab() {
  if (QtSheet* sheet = Sheet()) sheet->RemovePage(last_.number);
}

QtSheet* QtTab::Sheet() const {
  return dynamic_cast<QtSheet*>(window_.ControlView(last_.parent));
}

void QtTab::SyncOwn(const Control& c, bool) {
  if (QtSheet* sheet = Sheet()) sheet->SyncTab(c.number, c);
}

// Image and group.

QtImage::QtImage(QtWindow& window, const Control& control, QWidget* parent)
    : QtControl(window, control), label_(new QLabel(parent)) {
  label_->setAlignment(Qt::AlignCenter);
}

void QtImage::SyncOwn(const Control& c, bool) {
  QRect r = window_.Units().ToPixels(c.rect);
  QIcon icon = IconFor(c.icon);
  label_->setPixmap(icon.isNull() ? QPixmap() : icon.pixmap(r.size().boundedTo(QSize(256, 256))));
}

QtGroup::QtGroup(QtWindow& window, const Control& control, QWidget* parent)
    : QtControl(window, control), box_(new QGroupBox(parent)) {}

void QtGroup::SyncOwn(const Control& c, bool) {
  box_->setTitle(Q(StripHotKeyMarks(c.text)));
  box_->lower();
}

}  // namespace kv
