#pragma once

#include <string_view>

#include "platform/window/WindowDefinition.h"

namespace kv {

class QueryManager;
class QueryEntryWindow;

// The settings entry that keeps a family's query style, in the section named after the family.
inline constexpr std::string_view kQueryStyleEntry = "QBEStyle";

// The settings window "Query by Example Settings" (font "MS Sans Serif" 8 point): a sheet
// "?SHEET1" with the tabs "?TAB1" "Saved Queries" and "?TAB2" "Query Settings", and the buttons
// "?OK" "&OK", "?CANCEL" "&Cancel" and "?CLEAR" "C&lear".
//
// "Saved Queries" lists the query's saved queries by name ("?SAVEDLIST"); choosing a row puts
// its name into "?QUERYNAME". "?LOAD" "&Load" restores the highlighted query into the query's
// fields; "?SAVE" "&Save" saves the fields under the name typed in "?QUERYNAME" (a name the
// query cannot store is refused with a message saying why; an existing one, letter case aside,
// is replaced after Yes to "Replace the saved query ...?"); "?DELETE" "&Delete" removes the
// highlighted query after Yes to "Delete the saved query ...?". "Query Settings" holds the check box "?RANGESTYLE": enter a low and a high value per
// column (RangeStyle) instead of one value (SingleValueStyle).
//
// "C&lear" empties the query's values. OK sets `visual`'s style (and stores it under the
// query's family when the query has a settings-file manager); Cancel and the close box put the
// query's values back as they were when the window opened (saved and deleted queries stay
// saved and deleted).
WindowDefinition QuerySettingsDefinition();

// Runs the settings window on the calling thread, owned by the thread's active window. True
// when it was closed with OK. Thread: the query manager's.
bool RunQuerySettings(QueryManager& query, QueryEntryWindow& visual);

}  // namespace kv
