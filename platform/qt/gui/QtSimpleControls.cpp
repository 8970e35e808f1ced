#include "platform/qt/gui/QtSimpleControls.h"

#include <QEvent>
#include <QFocusEvent>
#include <QTabBar>

#include "platform/qt/gui/QtIcons.h"
#include "platform/qt/gui/QtWindow.h"
#include "platform/window/KeyCode.h"
#include "platform/window/MenuDefinition.h"
#include "platform/window/UserInput.h"
#include "platform/window/Window.h"

namespace kv {
namespace {

QString Q(const std::string& text) {
  return QString::fromStdString(text);
}

// The length limit of a string picture ("s20" -> 20), 0 for none.
int PictureLength(const std::string& picture) {
  if (picture.empty() || (picture[0] != 's' && picture[0] != 'S')) return 0;
  int n = 0;
  for (std::size_t i = 1;
       i < picture.size() && std::isdigit(static_cast<unsigned char>(picture[i])); ++i) {
    n = n * 10 + (picture[i] - '0');
    if (n > 100000) return 0;
  }
  return n;
}

bool NumericPicture(const std::string& picture) {
  return !picture.empty() && (picture[0] == 'n' || picture[0] == 'N');
}

}  // namespace

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
  Watch(edit_);
}

void QtEntry::SyncOwn(const Control& c, bool first) {
  edit_->setReadOnly(c.readOnly);
  edit_->setEchoMode(c.password ? QLineEdit::Password : QLineEdit::Normal);
  int length = PictureLength(c.picture);
  edit_->setMaxLength(length > 0 ? length : 32767);
  edit_->setAlignment(NumericPicture(c.picture) ? Qt::AlignRight | Qt::AlignVCenter
                                                : Qt::AlignLeft | Qt::AlignVCenter);
  // The model's text replaces the screen text when the model changed; what the user is
  // typing stays otherwise.
  QString text = Q(c.text);
  if (first || !edit_->isModified() || edit_->text() == text) {
    if (edit_->text() != text) edit_->setText(text);
    edit_->setModified(false);
  }
}

void QtEntry::Commit(bool enter) {
  if (Syncing()) return;
  WindowId id = WindowIdOf();
  int number = last_.number;
  if (edit_->isModified()) {
    edit_->setModified(false);
    std::string text = edit_->text().toStdString();
    if (enter) {
      if (edit_->isReadOnly()) return;
      Window(id).SetText(number, text);
      (void)PressKey(id, number, kKeyEnter);
    } else {
      (void)TypeInto(id, number, text);
    }
  } else if (enter) {
    (void)PressKey(id, number, kKeyEnter);
  }
  if (enter) {
    if (int button = window_.DefaultButton(); button != 0) (void)Press(id, button);
  }
}

bool QtEntry::TakeKey(int keyCode) {
  if (keyCode == kKeyEnter) {
    Commit(true);
    return true;
  }
  if (keyCode == kKeyTab || keyCode == (kKeyTab | kShift)) Commit(false);
  return false;  // Tab goes on to move the focus
}

bool QtEntry::eventFilter(QObject* watched, QEvent* event) {
  if (watched == edit_ && event->type() == QEvent::FocusOut) {
    auto* focus = static_cast<QFocusEvent*>(event);
    if (focus->reason() != Qt::PopupFocusReason) Commit(false);
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
    if (!Syncing()) (void)Press(WindowIdOf(), last_.number);
  });
}

void QtButton::SyncOwn(const Control& c, bool) {
  button_->setText(Q(c.text));
  button_->setIcon(IconFor(c.icon));
  button_->setDefault(c.isDefault);
}

bool QtButton::TakeKey(int keyCode) {
  if (keyCode != kKeyEnter) return false;
  (void)Press(WindowIdOf(), last_.number);
  return true;
}

// Sheet and tabs.

QtSheet::QtSheet(QtWindow& window, const Control& control, QWidget* parent)
    : QtControl(window, control), tabs_(new QTabWidget(parent)) {
  Watch(tabs_);
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
