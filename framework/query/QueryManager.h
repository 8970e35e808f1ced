#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "framework/browse/BrowseQuery.h"
#include "framework/query/QueryField.h"
#include "framework/query/QueryVisual.h"
#include "framework/window/SectorRecord.h"

namespace kv {

class ErrorManager;
class IniManager;
class PopupManager;

// Query by example: one QueryField per queryable column of a browse, the values the user
// entered for them, and the filter expression those values stand for. The browse hands the
// filter to its view (which turns it into SQL with every value as a bound parameter); a typed
// value is always data in the filter: text values become quoted string literals, and only a
// plain number is written as a number.
//
//   QueryManager query;
//   query.Init(GlobalErrors, &entryWindow, &INIMgr, "BrowseArticulos");
//   query.AddItem("PRO:DESCRIPTION", "Description", "@s40");
//   query.AddItem("PRO:PRICE", "Price", "@n9.2");
//   ... the user types "*bolt" for the description ...
//   query.GetFilter();   // "INSTRING('bolt',PRO:DESCRIPTION,1,1) <> 0"
//
// Entered values (MIDDLE in single-value style; LOW and HIGH in range style):
//   leading "=", "<", ">", "~" the comparison (NormalizeOperator); "~" ignores case;
//   then "^"  compare without regard to letter case;
//   "*x"      the column contains x;  "x*"  the column begins with x;
//   a value with no operator compares for equality; "<>" alone compares with 0 (or '' for a
//   text column).
// Pictures are read without regard to letter case ("s40" is a text picture like "S40").
//
// Saved queries live in the settings file (Settings) under the family Family: sector
// (Family, name, "Query"), saved list "Query" with one row NAME, MIDDLE, LOW, HIGH per field.
// The name "tsMRU" holds the query chosen last from the menu and is never listed.
//
// Life: construct -> Init -> AddItem for each column -> use -> Kill (safe twice; the
// destructor calls it). Thread: the logical thread of the browse that owns it; nothing here
// locks (Settings locks itself).
class QueryManager : public BrowseQuery {
 public:
  static constexpr std::size_t kFilterMax = 4999;   // bytes of a filter; longer ones are cut
  static constexpr std::size_t kValueMax = 999;     // bytes of a value being processed
  static constexpr std::size_t kOperatorMax = 19;   // bytes of an operator
  static constexpr std::size_t kPictureUsed = 19;   // bytes of PICTURE the filter reads
  static constexpr std::size_t kQueryNameMax = 99;  // bytes of a saved query's name, stored form
  static constexpr std::string_view kContains = "Contains";
  static constexpr std::string_view kBegins = "Begins";
  static constexpr std::string_view kMruName = "tsMRU";
  static constexpr std::string_view kQueryType = "Query";
  static constexpr std::string_view kFilterId = "9 - QBE";  // the browse's filter id

  // Pop-up item names the query menu uses.
  static constexpr std::string_view kViewItem = "View";
  static constexpr std::string_view kSeparatorItem = "tsQBESeparator1";
  static constexpr std::string_view kEmptyItem = "tsQBEEmpty";
  static constexpr std::string_view kClearSeparatorItem = "ClearSeparator";
  static constexpr std::string_view kClearItem = "tsQBEClear";
  static constexpr std::string_view kQueryItem = "tsQBEItem";  // base name of saved-query items

  QueryManager() = default;
  virtual ~QueryManager();
  QueryManager(const QueryManager&) = delete;
  QueryManager& operator=(const QueryManager&) = delete;

  // ---- State ---------------------------------------------------------------------------------

  ErrorManager* Errors = nullptr;  // not owned; reports message 44 for a dropped column
  // The columns, in the order they were added (searched by NAME). Null before Init.
  std::unique_ptr<std::vector<QueryField>> Fields;
  QueryVisual* Visual = nullptr;   // not owned; the entry window; null: SingleValueStyle
  std::string Family;              // the family saved queries are stored under
  IniManager* Settings = nullptr;  // not owned; null: nothing is saved or listed
  // The pop-up items BuildQueryMenu added, keyed by ItemName. Null before Init.
  std::unique_ptr<std::vector<QueryMenuItem>> MenuItems;
  std::uint8_t MenuEnabled = 1;                  // off: TakeMenuChoice handles nothing
  std::string ItemIcon = "edit-find";            // icon of the saved-query items and "C&lear"
  std::string ViewIcon = "folder-saved-search";  // icon of the "View" sub-menu

  // ---- Life ----------------------------------------------------------------------------------

  // Creates empty Fields and MenuItems and keeps the references (none is owned).
  void Init(ErrorManager& errors, QueryVisual* visual = nullptr, IniManager* settings = nullptr,
            std::string_view family = {});
  // Disposes of Fields and MenuItems. A second call does nothing.
  void Kill();

  // Adds a column: its expression, title and picture (a leading "@" is dropped), values empty.
  // Returns its position (from 1), or 0 before Init.
  std::size_t AddItem(std::string_view name, std::string_view title, std::string_view picture,
                      bool forceEditPicture = false);
  // The field whose NAME equals `name` ignoring case, or null.
  QueryField* FindField(std::string_view name);

  // The query style: Visual's, SingleValueStyle without one.
  std::int32_t Style() const;
  // Lets the user enter the query through Visual: true when confirmed. False without a Visual.
  bool Ask() override;

  // ---- Filter building -----------------------------------------------------------------------

  // The filter of all fields joined by " AND " in list order, "" when no field has a value.
  // In SingleValueStyle a value in LOW is moved into MIDDLE (when MIDDLE is empty) and LOW and
  // HIGH are emptied; nothing else in the list changes.
  std::string GetFilter() override;
  // Empties LOW, MIDDLE and HIGH of every field.
  void ClearQuery();
  // Splits the leading operator characters ("=", "<", ">", "~") off `text` and combines them
  // with `op`: "Contains" puts "*" before the rest, "Begins" after it, "NOT =" adds "<>", any
  // other `op` adds itself. The result operator has each of "<", ">", "~" once in the order it
  // first appears, then "=" when there was one, unless both "<" and ">" were there. So "=<"
  // gives "<=", "<>=" gives "<>", "==" gives "=". Returns (operator, rest).
  static std::pair<std::string, std::string> NormalizeOperator(std::string_view text,
                                                               std::string_view op);
  // The value as a string literal of the expression language: in single quotes, every single
  // quote doubled.
  static std::string QuoteValue(std::string_view value);

  // One condition being built (the steps below work on it; exposed for derived managers).
  struct Condition {
    std::string name;     // the column expression for this condition (may get wrapped)
    std::string picture;  // first kPictureUsed bytes of PICTURE; emptied by conversions
    std::string value;
    std::string op;
    bool noCase = false;  // compare without regard to letter case
  };
  // Takes the next value of `field` into `c`; true when a second pass over the field follows.
  // Case A (LOW, first pass): single-value style moves LOW into MIDDLE and asks for a second
  // pass; range style compares with ">" and asks for one when HIGH is set. Case B (HIGH):
  // "<". Case C (MIDDLE): equality, markers and wildcards.
  virtual bool ExtractCondition(QueryField& field, Condition& c, bool secondPass);
  // Adds "=" when MIDDLE is set, takes the value's own operator, its "^", a column wrapped in
  // UPPER(, and FORCEEDITPICTURE.
  virtual void ApplyOperators(const QueryField& field, Condition& c);
  // The stored form of a displayed value for a picture that is not a text picture.
  virtual void Deformat(Condition& c);
  // Formats the column for "contains"/"begins" on a non-text picture and settles the case flag.
  virtual void PrepareColumn(Condition& c);
  // Wraps the column in UPPER( and upper-cases the value when the case flag is on; unwraps an
  // UPPER( column when it is off.
  virtual void ApplyCase(Condition& c);
  // The condition's text ("" when it makes none).
  std::string ConditionText(const Condition& c) const;

  // ---- Saved queries (need Settings) ---------------------------------------------------------

  // True when `name` can be saved and shown as it is typed: not blank, valid UTF-8 without
  // control characters, none of "|", "{", "}", "[", "]", not starting with "~", "+" or "-",
  // and at most kQueryNameMax bytes once stored ("$" counts three). Blanks around it are
  // ignored (SaveQuery drops them).
  static bool IsValidQueryName(std::string_view name);
  // Empties `list`, then fills it with the saved queries of Family (ITEM is the name as saved),
  // sorted by name, without "tsMRU".
  void ListSavedQueries(std::vector<SectorRecord>& list);
  // Saves the fields' values under `name` (blanks around it dropped): registers the sector and
  // writes one row per field. A query saved under the same name, or one that differs only in
  // ASCII letter case (the settings file does not tell them apart), is replaced. False, saving
  // nothing, without Settings or when IsValidQueryName refuses the name.
  bool SaveQuery(std::string_view name);
  // Empties the query, then loads the values saved under `name` (see RestoreRow). A saved
  // column this browse no longer offers is reported with message 44 (MsgQueryColumnDropped,
  // the column as %Field) and dropped. Nothing saved: the query stays empty.
  void RestoreQuery(std::string_view name);
  // Removes the query saved under `name`: its sector and its rows. Nothing happens for a name
  // that is not saved.
  void DeleteQuery(std::string_view name);

  // ---- The pop-up menu ------------------------------------------------------------------------

  // Rebuilds the saved-query items of `popup`: the sub-menu "View" (after a separator, placed
  // after the item that mimics `queryControl` when there is one) with one item per saved query
  // in name order, a separator and "C&lear"; "View" holds only the disabled "Empty" and
  // "C&lear" when a query is active but none is saved, and is removed when neither. Each item
  // posts the new-selection event to `queryControl` when chosen. Thread: the popup's owner.
  void BuildQueryMenu(PopupManager& popup, std::int32_t queryControl) override;
  // After a query item was chosen from `popup`: false when MenuEnabled is off. Otherwise
  // CurrentItem := the popup's last selection; a saved-query item restores its query, anything
  // else ("C&lear") empties the query; the result is saved as "tsMRU"; true (the browse then
  // applies the new filter).
  bool TakeMenuChoice(PopupManager& popup) override;
  // `name` as a pop-up item text that shows it unchanged ("&" doubled); characters the menu
  // string cannot carry ("|", "{", "}", "[") are replaced by look-alikes, and a leading mark
  // character is kept from acting as a mark.
  static std::string MenuText(std::string_view name);

 private:
  std::string SectorFor(std::string_view name);
  void RestoreRow(QueryField stored);

  std::string viewName_;            // the name the "View" sub-menu got in the popup, "" when none
  std::string separatorName_;       // the name of the separator before it
  std::string clearSeparatorName_;  // the separator before "C&lear"
  std::string clearName_;           // the "C&lear" item
};

}  // namespace kv
