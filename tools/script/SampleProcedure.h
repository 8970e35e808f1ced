#pragma once

namespace kv {

// A small window procedure for trying scripts without a database: "Sample Items" with an
// entry ?NAME, a button ?ADD that appends the name to the list ?ITEMS (an empty name shows the
// message "Type a name first"), the Delete key on the list asking "Delete <name>?" (Yes/No),
// a right click on the list offering the pop-up menu "&Add|&Delete|-|&Close", and a button
// ?CLOSE that ends the procedure. Runs on the calling logical thread until the window closes.
void SampleItemsProcedure();

}  // namespace kv
