#pragma once

namespace kv {

// A small window procedure showing the pop-up menu manager and its toolbox without a database:
// "Sample Actions" with a list ?ITEMS ("apples", "pears", "plums") and the buttons ?INSERT
// (appends "item N"), ?CHANGE (upper-cases the highlighted row), ?DELETE (removes it), ?TOOLBOX
// and ?CLOSE. Change and Delete are disabled while the list is empty.
//
// A right click on the list, or the context-menu key on it, opens the pop-up menu as a list
// builds it: "Insert", "Change" and "Delete" follow their buttons (texts, states, icons), a
// separator, the sub-menu "Sort" with "By Name" and "By Length", a separator and "Toolbox".
// ?TOOLBOX opens the toolbox "Sample Tools": one button per item except the sort title and
// the toolbox item, running on a thread of its own; its buttons press this window's buttons
// or sort the list. Runs on the calling logical thread until the window closes.
void SampleActionsProcedure();

}  // namespace kv
