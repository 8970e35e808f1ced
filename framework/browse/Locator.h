#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "platform/values/VarRef.h"

namespace kv {

class BrowseManager;
class ViewManager;

// Repositions a browse's list when the user types on it: the locator of a sort order
// (BrowseManager::AddLocator). This one steps by the first character: typing a letter moves
// the highlight to the next record when that record begins with the letter, and otherwise
// sets the free element to the letter so that the browse rereads the list from the first
// record at or after it (ascending order) or the last at or before it (descending order).
// Typing the same letter again steps through the records that begin with it.
//
// It has no entry control of its own unless one is given (CONTROL); ShadowText, SetShadow and
// TakeAccepted are the hooks for locators that show or take the typed text, and do nothing
// here.
//
// Life: Init binds it to a browse and a field; the procedure kills it after the browse (Kill
// drops the field reference) and owns it. Thread: the browse's logical thread.
class Locator {
 public:
  virtual ~Locator() = default;

  // ---- Virtual operations, in slot order.
  // Drops the reference to the free element.
  virtual void Kill();
  // The typed text shown; empty here.
  virtual std::string ShadowText();
  // FREEELEMENT := freeElement, CONTROL := control, NOCASE := noCase.
  virtual void Bind(std::int32_t control, VarRef freeElement, std::uint8_t noCase);
  // After the browse repositioned for an accepted entry control. Nothing here.
  virtual void AfterAccepted();
  // Forgets what was typed. Nothing here.
  virtual void Clear();
  // FREEELEMENT := field, which is cleared; the shadow text becomes empty.
  virtual void Rebind(VarRef field);
  // The browse sets its alert keys on `listControl`. Nothing here.
  virtual void SetAlerts(std::int32_t listControl);
  // With an entry control: disabled when `rows` is 0, enabled otherwise. Nothing without.
  virtual void SetEnabled(std::int32_t rows);
  // Shows the typed text. Ignored here.
  virtual void SetShadow(std::string_view text);
  // The entry control was accepted: true when the browse should reposition. False here.
  virtual std::uint8_t TakeAccepted();
  // A key pressed on the list (KeyCode()). True when the browse should reposition the view at
  // the record buffer's values and reread the list; false for keys that type no character, and
  // when the highlight just moved one row down onto a record that begins with the character.
  virtual std::uint8_t TakeKey();
  // The browse redisplays its window: Clear.
  virtual void UpdateWindow();

  // ---- Non-virtual.
  // VIEWMANAGER and BROWSEMANAGER := browse; then Bind (control, freeElement, noCase).
  void Init(std::int32_t control, VarRef freeElement, std::uint8_t noCase, BrowseManager& browse);

  // The value the free element gets for `typed`: the character (upper-cased with `noCase`),
  // followed for a descending order by the character of code 254 so that the search lands on
  // the last record that begins with it.
  static std::string SearchValue(char typed, bool noCase, bool ascending);

  // ---- Fields, in declaration order.
  ViewManager* VIEWMANAGER = nullptr;
  BrowseManager* BROWSEMANAGER = nullptr;
  std::int32_t CONTROL = 0;
  VarRef FREEELEMENT;
  std::uint8_t NOCASE = 0;
};

}  // namespace kv
