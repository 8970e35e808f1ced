#include "framework/browse/Locator.h"

#include "framework/browse/BrowseManager.h"
#include "framework/window/WindowManager.h"
#include "platform/window/Event.h"
#include "platform/window/EventLoop.h"
#include "platform/window/KeyCode.h"

namespace kv {
namespace {

char UpperAscii(char c) {
  return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c;
}

// The character of code 254 (a small thorn), in UTF-8. In byte order it follows every ASCII
// character, so "A" followed by it lies after every code that begins with "A" and an ASCII
// character.
constexpr std::string_view kCode254 = "\xC3\xBE";

}  // namespace

void Locator::Init(std::int32_t control, VarRef freeElement, std::uint8_t noCase,
                   BrowseManager& browse) {
  VIEWMANAGER = &browse;
  BROWSEMANAGER = &browse;
  Bind(control, freeElement, noCase);
}

void Locator::Kill() {
  FREEELEMENT = VarRef();
}

std::string Locator::ShadowText() {
  return {};
}

void Locator::Bind(std::int32_t control, VarRef freeElement, std::uint8_t noCase) {
  FREEELEMENT = freeElement;
  CONTROL = control;
  NOCASE = noCase;
}

void Locator::AfterAccepted() {}

void Locator::Clear() {}

void Locator::Rebind(VarRef field) {
  FREEELEMENT = field;
  FREEELEMENT.Clear();
  SetShadow("");
}

void Locator::SetAlerts(std::int32_t) {}

void Locator::SetEnabled(std::int32_t rows) {
  if (CONTROL == 0 || BROWSEMANAGER == nullptr || BROWSEMANAGER->WINDOW == nullptr) return;
  BROWSEMANAGER->WINDOW->SetControlDisabled(CONTROL, rows == 0);
}

void Locator::SetShadow(std::string_view) {}

std::uint8_t Locator::TakeAccepted() {
  return 0;
}

std::string Locator::SearchValue(char typed, bool noCase, bool ascending) {
  std::string value(1, noCase ? UpperAscii(typed) : typed);
  if (!ascending) value += kCode254;
  return value;
}

std::uint8_t Locator::TakeKey() {
  const char typed = KeyChar(KeyCode());
  if (typed == 0 || BROWSEMANAGER == nullptr || FREEELEMENT.IsNull()) return 0;
  BrowseManager& browse = *BROWSEMANAGER;
  bool moved = false;
  if (browse.LISTQUEUE != nullptr && browse.LISTQUEUE->Records() > 0) {
    browse.ScrollByRow(kEventScrollDown);
    browse.LoadRecordFromRow();
    moved = true;
  }
  const std::string now = FREEELEMENT.ToText();
  const char first = now.empty() ? ' ' : now[0];
  const bool same = NOCASE ? UpperAscii(first) == UpperAscii(typed) : first == typed;
  if (same) return moved ? 1 : 0;
  const bool ascending = VIEWMANAGER->FieldAscending(FREEELEMENT);
  (void)FREEELEMENT.SetText(SearchValue(typed, NOCASE != 0, ascending));
  return 1;
}

void Locator::UpdateWindow() {
  Clear();
}

}  // namespace kv
