#include "tools/crash/CrashCheck.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "app/Globals.h"
#include "app/data/ProductsManagers.h"
#include "app/data/ProductsTables.h"
#include "platform/qt/sql/SqlConnection.h"
#include "platform/settings/ProfileFile.h"
#include "platform/thread/LogicalThread.h"
#include "tools/crash/CrashProducts.h"
#include "tools/crash/CrashProgram.h"

namespace kv::crash {

namespace {

namespace fs = std::filesystem;

constexpr const char* kBefore = "kept before the worker's section";
constexpr const char* kAfter = "kept after the worker's section";

std::string ReadAll(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// The integrity check of the database; false with the reason.
bool CheckIntegrity(SqlConnection& c, bool postgres, std::string* problem) {
  std::vector<std::vector<SqlValue>> rows;
  if (!postgres) {
    const std::vector<ColumnDesc> columns = {{"integrity_check", "", ColumnType::kText, 4000}};
    StorageError e = c.Exec({"PRAGMA integrity_check", {}}, &columns, &rows);
    if (!e.ok() || rows.size() != 1 || rows[0][0].text != "ok") {
      *problem = "integrity check: " + (e.ok() ? (rows.empty() ? "" : rows[0][0].text) : e.text);
      return false;
    }
    return true;
  }
  static bool extension = false;  // created once, in the tool's own database
  StorageError e;
  if (!extension) e = c.Exec({"CREATE EXTENSION IF NOT EXISTS amcheck", {}});
  extension = e.ok();
  const std::vector<ColumnDesc> columns = {{"checked", "", ColumnType::kInteger}};
  // Every index of the table, and (heapallindexed) every heap row reached from it.
  if (e.ok())
    e = c.Exec({"SELECT COUNT(*) FROM (SELECT bt_index_check(i.indexrelid, true) FROM pg_index i "
                "WHERE i.indrelid = '" +
                    c.SqlDialect().QuoteIdentifier("Products") + "'::regclass) x",
                {}},
               &columns, &rows);
  if (!e.ok() || rows.size() != 1 || rows[0][0].integer < 1) {
    *problem = "integrity check (amcheck): " + e.text + " " + e.driverText;
    return false;
  }
  return true;
}

// Products as stored: product -> version, each checked whole. False with the reason.
bool ReadProducts(int products, std::map<int, long>* versions, std::string* problem) {
  ProductsFileManager& file = *ProductsFile();
  ProductsRecord& rec = ProductsBuffer();
  ProductsRecord expected;
  for (int n = 1; n <= products; ++n) {
    (void)VarRef(rec.PCODE).SetText(ProductCode(n));
    if (file.TryFetch(kProductsKeyPcode) != Benign) continue;
    const long v = rec.PROVIDERID;
    (void)VarRef(expected.PRICE).SetText(Price(n, v));
    if (VarRef(rec.PCODE).ToClippedText() != ProductCode(n) ||
        VarRef(rec.DESCRIPTION).ToClippedText() != Description(n, v) ||
        VarRef(rec.PRICE).ToClippedText() != VarRef(expected.PRICE).ToClippedText()) {
      *problem = "product " + std::to_string(n) + " mixes versions: version " + std::to_string(v) +
                 ", description \"" + VarRef(rec.DESCRIPTION).ToClippedText() + "\", price " +
                 VarRef(rec.PRICE).ToClippedText();
      return false;
    }
    (*versions)[n] = v;
  }
  return true;
}

bool CheckDatabase(const std::string& owner, bool postgres, int products, const Journal& journal,
                   CrashState* state, CrashTotals* totals, std::string* problem) {
  bool ok = false;
  JoinThread(StartThread(
      [&] {
        ConnectionOwner.Set(owner);
        StorageError e;
        std::shared_ptr<SqlConnection> c = ConnectionFor(owner, &e);
        if (!c) {
          *problem = "cannot connect: " + e.text;
          return;
        }
        if (!CheckIntegrity(*c, postgres, problem)) return;
        ++totals->integrityChecks;
        CreateProductsManagers();
        if (ProductsRelations()->Open() != Benign) {
          *problem = "Products cannot be opened";
          ReleaseProductsManagers();
          return;
        }
        std::map<int, long> versions;
        ok = ReadProducts(products, &versions, problem);
        (void)ProductsRelations()->Close();
        ReleaseProductsManagers();  // before the thread's own objects go
        if (!ok) return;
        const std::vector<ColumnDesc> columns = {{"n", "", ColumnType::kInteger}};
        std::vector<std::vector<SqlValue>> rows;
        e = c->Exec({"SELECT COUNT(*) FROM " + c->SqlDialect().QuoteIdentifier("Products"), {}},
                    &columns, &rows);
        if (!e.ok() || rows.size() != 1 || rows[0][0].integer != long(versions.size())) {
          *problem = "rows other than the worker's products";
          ok = false;
          return;
        }
        int ahead = 0;
        for (int n = 1; ok && n <= products; ++n) {
          auto j = journal.saved.find(n);
          auto before = state->versions.find(n);
          const long done = std::max(j == journal.saved.end() ? 0 : j->second,
                                     before == state->versions.end() ? 0 : before->second);
          auto s = versions.find(n);
          const long stored = s == versions.end() ? 0 : s->second;
          if (stored == done + 1) {
            ++ahead;
          } else if (stored != done) {
            *problem = "product " + std::to_string(n) + " saved at version " +
                       std::to_string(done) + " holds version " + std::to_string(stored);
            ok = false;
          }
        }
        if (ok && ahead > 1) {
          *problem = std::to_string(ahead) + " products ahead of the journal";
          ok = false;
        }
        totals->productsAhead += ahead;
        if (ok) state->versions = versions;
      },
      0));
  ForgetThreadConnections();
  return ok;
}

bool CheckSettings(const Journal& journal, CrashState* state, CrashTotals* totals,
                   std::string* problem) {
  const std::string file(kSettingsFileName);
  const std::string text = ReadAll(file);
  const ProfileRewrite rewrite = RewriteProfileText(text, {});
  if (rewrite.status != ProfileStatus::kOk || !rewrite.setAside.empty() ||
      fs::exists(DamagedLinesFileName(file))) {
    *problem = "the settings file has damaged lines";
    return false;
  }
  if (FindProfileStringIn(text, "Before", "Kept") != kBefore ||
      FindProfileStringIn(text, "After", "Kept") != kAfter) {
    *problem = "the settings file lost the entries around the worker's section";
    return false;
  }
  const long done = std::max(journal.iniGeneration, state->iniGeneration);
  const long stored =
      std::stol("0" + FindProfileStringIn(text, kSection, "Generation").value_or(""));
  const std::string payload = FindProfileStringIn(text, kSection, "Payload").value_or("");
  bool whole = false;
  if (stored == state->iniGeneration && payload == state->iniPayload &&
      done == state->iniGeneration) {
    whole = true;  // unchanged since the last check, and no later write journaled
  } else if (stored == done) {
    whole = payload == Payload(done);
  } else if (stored == done + 1) {
    // Killed after both writes of the next generation, or between them (the payload is then
    // still the one stored before).
    const bool between = payload == Payload(done) || payload == state->iniPayload;
    whole = payload == Payload(done + 1) || between;
    totals->iniAhead += payload == Payload(done + 1);
    totals->iniBetween += payload != Payload(done + 1) && between;
  }
  if (!whole) {
    *problem = "the settings file holds generation " + std::to_string(stored) + " with payload \"" +
               payload.substr(0, 20) + "...\" after generation " + std::to_string(done);
    return false;
  }
  int temps = 0;
  for (const auto& entry : fs::directory_iterator("."))
    temps += entry.path().filename().string().rfind("." + file + ".", 0) == 0;
  // A kill during a write leaves its temporary file; the next write removes it.
  totals->tempFilesLeft = std::max(totals->tempFilesLeft, temps);
  if (temps > 1) {
    *problem = std::to_string(temps) + " temporary settings files pile up beside the file";
    return false;
  }
  state->iniGeneration = stored;
  state->iniPayload = payload;
  return true;
}

// The entries the program writes: the connection entries typed, and the products form's size
// from one of the round's saves (both of it from the same one).
bool CheckProgramSettings(const ProgramRound& round, const Journal& journal, CrashState* state,
                          CrashTotals* totals, std::string* problem) {
  const std::string text = ReadAll(std::string(kSettingsFileName));
  const auto db = FindProfileStringIn(text, "MSSQLConnect", "LOC:DBname");
  if (db && *db != round.dbName) {
    *problem = "the settings file holds the database name \"" + *db + "\"";
    return false;
  }
  const auto width = FindProfileStringIn(text, "UpdateProducts", "Width");
  const auto height = FindProfileStringIn(text, "UpdateProducts", "Height");
  if (!width && !height && state->formGrowth < 0) return true;  // no form closed yet
  const int grow = std::atoi(width.value_or("-9999").c_str()) - kFormWidth;
  if (!width || !height || std::atoi(height->c_str()) - kFormHeight != grow) {
    *problem = "the products form's size is " + width.value_or("none") + " x " +
               height.value_or("none") + ", not of one save";
    return false;
  }
  const long reported = std::max(journal.lastSequence, round.firstSequence - 1);
  // The size stored before stays only while the round reported no save: the form writes the
  // settings file before its window closes, and the report follows the close.
  bool known = grow == state->formGrowth && journal.lastSequence < round.firstSequence;
  for (long s = round.firstSequence; !known && s <= reported + 1; ++s)
    known = grow == FormGrowth(s);
  if (!known) {
    *problem = "the products form's size grew by " + std::to_string(grow) +
               ", which no save up to " + std::to_string(reported + 1) + " gave it";
    return false;
  }
  totals->formAhead += grow == FormGrowth(reported + 1) && grow != FormGrowth(reported);
  state->formGrowth = grow;
  return true;
}

}  // namespace

void WriteInitialSettings() {
  (void)ApplyProfileChanges({{"Before", "Kept", kBefore},
                             {kSection, "Generation", "0"},
                             {kSection, "Payload", Payload(0)},
                             {"After", "Kept", kAfter}},
                            std::string(kSettingsFileName));
}

bool CheckAfterKill(const std::string& owner, bool postgres, int products, CrashState* state,
                    CrashTotals* totals, std::string* problem, const ProgramRound* program) {
  Journal journal;
  (void)ReadJournal("journal", &journal);  // missing before the first save
  totals->saves = journal.saves;
  totals->failures = journal.failures;
  if (journal.failures > 0) {
    *problem = "a save was refused: " + journal.failureLines.front();
    return false;
  }
  return CheckDatabase(owner, postgres, products, journal, state, totals, problem) &&
         CheckSettings(journal, state, totals, problem) &&
         (!program || CheckProgramSettings(*program, journal, state, totals, problem));
}

void PrintTotals(const CrashTotals& t, int rounds, bool program) {
  if (program) {
    std::printf(
        "%d rounds: %ld saves through the form reported done; integrity checks passed: %d\n"
        "kills between a commit and its report: %d; after the form wrote the settings file and "
        "before its report: %d\n"
        "programs that ended before the kill: %d; most temporary settings files found after a "
        "kill: %d\n",
        rounds, t.saves, t.integrityChecks, t.productsAhead, t.formAhead, t.endedBeforeKill,
        t.tempFilesLeft);
    return;
  }
  std::printf(
      "%d rounds: %ld saves journaled as done, %ld refused; integrity checks passed: %d\n"
      "kills between a commit and its journal line: %d; between the two settings writes of a "
      "generation: %d; after a settings write and before its journal line: %d\n"
      "workers that ended before the kill: %d; most temporary settings files found after a kill: "
      "%d\n",
      rounds, t.saves, t.failures, t.integrityChecks, t.productsAhead, t.iniBetween, t.iniAhead,
      t.endedBeforeKill, t.tempFilesLeft);
}

}  // namespace kv::crash
