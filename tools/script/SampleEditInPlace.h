#pragma once

namespace kv {

// A list edited where it stands: "Sample Edit" shows the parts of an embedded SQLite database
// "eipsample" in the working directory (created and filled with six parts on first use) in
// the list ?LIST (code, description of at most 20 bytes, price right-aligned), with the
// buttons ?INSERT, ?CHANGE, ?DELETE and ?CLOSE. The list has no update form: a double-click
// on a cell (or Change) puts an entry over that cell; Tab, Shift+Tab, Enter, Esc and the
// arrows move and complete the row, which is written straight to the table.
//
// The SQL drivers must be registered first (RegisterSqlDrivers). Runs on the calling logical
// thread until the window closes.
void SampleEditInPlaceProcedure();

}  // namespace kv
