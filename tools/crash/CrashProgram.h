#pragma once

#include <map>
#include <string>

namespace kv::crash {

// kvcrash --program: the program itself, korvandel running a script on its headless backend,
// saves products through the products list and form until it is killed.
//
// The script of a round connects through "MSSQL Connect" with `connectLines`, opens "Browse
// the Products file" (made tall enough to show every product), reports "ready", then makes
// `saves` saves of products 1..`products`, in an order drawn from `seed`, starting from the
// versions `stored` (product -> version; absent means not there yet). A product not there is
// inserted with "&Insert"; one that is there is changed by a double click on its row. Each
// save types the fields of the product's next version (CrashProducts.h), resizes the form
// to FormSize(sequence) so that the settings file the form writes on closing tells which
// save wrote it, presses OK, checks that the form closed and that the list shows the saved
// row, and only then reports "save N V SEQUENCE" with a note: a save is reported done after
// the form said it was written. Saves are numbered from `firstSequence`.
std::string ProgramScript(const std::string& connectLines, const std::map<int, long>& stored,
                          int products, unsigned seed, long firstSequence, int saves);

// The form's width and height after save `sequence`: the window's own size grown by the same
// number of units in both, so that a width and height of two different writes is seen.
int FormGrowth(long sequence);
inline constexpr int kFormWidth = 232;
inline constexpr int kFormHeight = 116;

}  // namespace kv::crash
