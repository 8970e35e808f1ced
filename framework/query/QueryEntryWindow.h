#pragma once

#include <cstdint>
#include <vector>

#include "framework/query/QueryField.h"
#include "framework/query/QueryVisual.h"
#include "platform/window/WindowDefinition.h"

namespace kv {

class QueryManager;

// The query entry window "Query by Example": one row per queryable column, its title and what
// the user types for it, and the buttons OK, Cancel, Clear and Settings.
//
// In SingleValueStyle a row has one entry ("?VALUE<n>" for the n-th field), which becomes the
// field's MIDDLE: operators, "^" and "*" are taken as typed ("*bolt", ">=10", "^bol*"). In
// RangeStyle a row has a low and a high entry ("?LOW<n>", "?HIGH<n>") and a check box
// "?INCLUSIVE<n>" that makes the bounds inclusive (a non-empty MIDDLE, kept only when a bound
// is typed). The prompts are "?TITLE<n>"; the buttons "?OK", "?CANCEL", "?CLEAR" (empties every
// entry) and "?SETTINGS" ("Query by Example Settings": saved queries and the style).
//
// OK stores what was typed into the query's fields; Cancel and the close box leave the fields
// as they were when the window opened, whatever the settings window loaded meanwhile.
//
// The style is kept here (GetStyle answers it); the settings window changes it, and with a
// settings-file manager it is stored under the query's family (entry "QBEStyle" of the section
// named after the family) and read back when the window next opens.
//
// Thread: the query manager's; Ask runs the window's event loop on the calling thread, owned by
// the thread's active window (the browse), and returns when it closes.
class QueryEntryWindow : public QueryVisual {
 public:
  explicit QueryEntryWindow(std::int32_t style = SingleValueStyle) : style_(style) {}

  std::int32_t GetStyle() const override { return style_; }
  // SingleValueStyle or RangeStyle; anything else is ignored.
  void SetStyle(std::int32_t style);
  bool Ask(QueryManager& query) override;

 private:
  std::int32_t style_;
};

// The definition of the entry window for `fields` in `style` (controls as described above, in
// row order, then the buttons).
WindowDefinition QueryEntryDefinition(const std::vector<QueryField>& fields, std::int32_t style);

}  // namespace kv
