#pragma once

#include <map>
#include <string>
#include <vector>

namespace kv::crash {

// What the worker of kvcrash writes, and how the coordinator checks it after a kill.
//
// Product n at version v: every field derives from (n, v), so a row that holds fields of two
// versions (a torn write) is seen. The code is exactly 20 bytes and the description exactly
// 50 bytes, both with multi-byte characters, so a value cut or widened on the way is seen too.
std::string ProductCode(int n);
std::string Description(int n, long version);
std::string Price(int n, long version);  // the text of a DECIMAL(11,2)
// PRO:PROVIDERID holds the version itself.

// The settings entries: the worker writes generation g as two separate writes of
// "Korvandel.INI", first [Crash] Generation=g, then [Crash] Payload=Payload(g) (about 2 KB,
// so a file written in pieces would be caught half way).
std::string Payload(long generation);
inline constexpr const char* kSection = "Crash";

// The worker's journal ("journal" in the working folder): after each save the file manager
// reported done it appends "save N V", after each settings generation written "ini G", after a
// refused save "failed N V ID". A plain write(2) on an O_APPEND descriptor: a SIGKILL never
// loses a line that was written, and at most the save in flight is not yet journaled. With
// --program the journal is the script run's report, whose notes are "save N V SEQUENCE"; its
// other lines are not the journal's. A last line without its end is not read.
struct Journal {
  std::map<int, long> saved;  // product -> last version journaled as saved
  long lastSequence = -1;     // the sequence number of the last save journaled with one
  long iniGeneration = 0;     // last settings generation journaled
  long saves = 0;
  long failures = 0;
  std::vector<std::string> failureLines;
};
bool ReadJournal(const std::string& file, Journal* journal);

// The worker: runs in the working folder (the SQLite file and "Korvandel.INI" live there) on
// the connection string `owner`; opens Products through the program's relation manager,
// creates "ready" in the folder, then inserts and changes products 1..`products` in an order
// drawn from `seed` until it is killed (or `maxSaves` saves are done). Returns 1 when the table
// cannot be opened (the reason on standard error), 0 after maxSaves.
int RunWorker(const std::string& owner, int products, unsigned seed, long maxSaves);

}  // namespace kv::crash
