#pragma once

#include <map>
#include <string>

namespace kv::crash {

// What the rounds of kvcrash saw, summed.
struct CrashTotals {
  long saves = 0;           // saves journaled as done, all rounds
  long failures = 0;        // saves the file manager refused (none expected)
  int productsAhead = 0;    // rounds killed between a commit and its journal line
  int iniBetween = 0;       // rounds killed between the two writes of one settings generation
  int iniAhead = 0;         // rounds killed after a settings write and before its journal line
  int tempFilesLeft = 0;    // most temporary settings files found beside "Korvandel.INI"
  int endedBeforeKill = 0;  // workers that ended by themselves (none expected)
  int integrityChecks = 0;  // integrity checks that ran and passed
  int formAhead = 0;        // --program: kills after the form wrote the settings, before the report
};

// What the previous check found stored: a kill can leave a save done but not journaled, and
// the next worker starts from what is stored.
struct CrashState {
  std::map<int, long> versions;  // product -> version stored
  long iniGeneration = 0;
  std::string iniPayload;
  int formGrowth = -1;  // --program: FormGrowth of the form's size stored; -1 before any
};

// With --program: what the round's script typed and numbered (CrashProgram.h).
struct ProgramRound {
  std::string dbName;      // the database name typed into "MSSQL Connect"
  long firstSequence = 0;  // the number of the round's first save
};

// Writes the settings file the rounds start from: a section before and one after the worker's
// "Crash" section, generation 0.
void WriteInitialSettings();

// The checks after a kill (see main.cpp), in the working folder, on the database of `owner`.
// Each product must hold the version last journaled or last found in `state`, whichever is
// later, or the one after it; the settings file likewise. With `program` (the round ran the
// program) the settings file must also hold the connection entries typed and the products
// form's size of one save of the round up to the one after the last reported (or the size
// stored before). False with the first problem in `problem`; adds to `totals` and, when the
// checks hold, records what is stored in `state`.
bool CheckAfterKill(const std::string& owner, bool postgres, int products, CrashState* state,
                    CrashTotals* totals, std::string* problem,
                    const ProgramRound* program = nullptr);

void PrintTotals(const CrashTotals& totals, int rounds, bool program);

}  // namespace kv::crash
