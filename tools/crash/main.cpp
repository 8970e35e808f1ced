// kvcrash: the program is killed with SIGKILL at random moments while it inserts and changes
// products through the program's Products file manager and writes "Korvandel.INI"; after each
// kill the database and the settings file are checked.
//
//   kvcrash [--program] [--postgres] [--rounds N] [--products P] [--max-delay MS] [--seed S]
//
// Each round starts a worker process (CrashProducts.h) on the same database and settings file,
// waits until it has opened Products, lets it save for a random time of up to MS milliseconds
// (default 250) and kills it. Then, before the next round:
// - the database passes its integrity check (SQLite "PRAGMA integrity_check"; PostgreSQL
//   amcheck over the table's indexes, heap included);
// - every product read back is whole at one version (all its fields belong to that version);
// - every product whose save the worker journaled as done holds that version, or the one
//   after it when the kill came between the commit and the journal line (at most one product
//   per round); no row is there that was never saved;
// - "Korvandel.INI" is whole: it parses without a damaged line, the entries before and after
//   the worker's section are unchanged, and the worker's entries are those of one of its writes.
// With --program each round runs the program itself instead (korvandel beside the tool's
// folder, with a script on its headless backend, CrashProgram.h): it connects, opens the
// products list and saves through the products form; the script's report, a note after each
// save the form said was written, is the journal; the kill comes at most MS milliseconds after
// the list is open, and the settings file must also hold the form's size of one save.
// SQLite uses a file in a folder of its own; --postgres uses the server of the PG* environment
// variables and a database of its own, created and dropped by the tool. Prints the counts;
// exits 0 when every round held, 1 otherwise. Asserts no timing.
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/qt/sql/SqlConnection.h"
#include "platform/settings/ProfileFile.h"
#include "platform/thread/LogicalThread.h"
#include "tools/common/ToolProcess.h"
#include "tools/crash/CrashCheck.h"
#include "tools/crash/CrashProducts.h"
#include "tools/crash/CrashProgram.h"

namespace {

namespace fs = std::filesystem;
using namespace kv;
using namespace kv::crash;

struct Options {
  bool postgres = false;
  bool program = false;
  int rounds = 200;
  int products = 50;
  int maxDelayMs = 250;
  unsigned seed = 1;
  bool worker = false;
  std::string owner;
};

bool ParseArgs(int argc, char** argv, Options* o) {
  for (int i = 1; i < argc; ++i) {
    const std::string a = argv[i];
    auto value = [&]() -> std::string { return i + 1 < argc ? argv[++i] : ""; };
    if (a == "--postgres")
      o->postgres = true;
    else if (a == "--program")
      o->program = true;
    else if (a == "--worker")
      o->worker = true;
    else if (a == "--rounds")
      o->rounds = std::max(1, std::atoi(value().c_str()));
    else if (a == "--products")
      o->products = std::clamp(std::atoi(value().c_str()), 1, 9999);
    else if (a == "--max-delay")
      o->maxDelayMs = std::max(1, std::atoi(value().c_str()));
    else if (a == "--seed")
      o->seed = unsigned(std::strtoul(value().c_str(), nullptr, 10));
    else if (a == "--owner")
      o->owner = value();
    else
      return false;
  }
  return true;
}

std::string Env(const char* name, const char* fallback = "") {
  const char* v = std::getenv(name);
  return v && *v ? v : fallback;
}

std::string PgOwner(const std::string& database) {
  return "postgresql://" + Env("PGHOST", "localhost") + ":" + Env("PGPORT", "5432") + "," +
         database + "," + Env("PGUSER") + "," + Env("PGPASSWORD");
}

// Runs `sql` on `owner` from a logical thread of its own (its connection is closed after).
bool RunSql(const std::string& owner, const std::string& sql, std::string* error) {
  bool ok = false;
  JoinThread(StartThread(
      [&] {
        StorageError e;
        if (std::shared_ptr<SqlConnection> c = ConnectionFor(owner, &e)) e = c->Exec({sql, {}});
        ok = e.ok();
        if (!ok) *error = e.text + " " + e.driverText;
        ForgetThreadConnections();
      },
      0));
  return ok;
}

pid_t StartWorker(const std::string& self, const Options& o, unsigned seed) {
  return tools::StartProcess(self,
                             {"--worker", "--owner", o.owner, "--products",
                              std::to_string(o.products), "--seed", std::to_string(seed)},
                             "worker.log");
}

// Waits until `ready` holds; false when the worker ended first.
bool WaitReady(pid_t pid, const std::function<bool()>& ready) {
  while (!ready()) {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// The journal's text from byte `from` on.
std::string JournalFrom(std::uintmax_t from) {
  std::ifstream in("journal", std::ios::binary);
  in.seekg(std::streamoff(from));
  std::ostringstream out;
  out << in.rdbuf();
  return out.str();
}

// With --program: the script lines that connect through "MSSQL Connect" to `owner`'s database.
std::string ConnectLines(const Options& o, const std::string& database, const std::string& user,
                         const std::string& password) {
  std::string lines = "window \"MSSQL Connect\"\n";
  if (o.postgres)
    lines += "type \"?LOC:SERVER\" \"postgresql://" + Env("PGHOST", "localhost") + ":" +
             Env("PGPORT", "5432") + "\"\n";
  lines += "type \"?LOC:DBNAME\" \"" + database + "\"\n";
  if (o.postgres)
    lines += "type \"?LOC:USER\" \"" + user + "\"\ntype \"?LOC:PASS\" \"" + password + "\"\n";
  return lines + "press \"?OKBUTTON\"\ncheck closed \"MSSQL Connect\"";
}

// The database of the rounds, and whom the program logs in as.
struct Database {
  std::string name, adminOwner, user = Env("PGUSER"), password = Env("PGPASSWORD");
};

// SQLite: a file in the working folder. PostgreSQL: a database of the tool's own, created on
// the server of the PG* variables; with --program also a user of its own who owns it (the
// program's password entry takes 20 characters). Sets o->owner; false (reason printed) when
// the database cannot be created.
bool PrepareDatabase(Options* o, Database* db) {
  if (!o->postgres) {
    db->name = "crash";
    o->owner = ",crash";
    return true;
  }
  db->name = "kvcrash_" + std::to_string(::getpid());
  db->adminOwner = PgOwner(Env("PGDATABASE", "postgres"));
  if (o->program) {
    db->user = db->name;
    db->password = "kv" + std::to_string(std::random_device()() % 1000000000u);
  }
  std::string error;
  if ((o->program &&
       !RunSql(db->adminOwner, "CREATE ROLE " + db->user + " LOGIN PASSWORD '" + db->password + "'",
               &error)) ||
      !RunSql(db->adminOwner, "CREATE DATABASE " + db->name + " OWNER " + db->user, &error)) {
    std::printf("kvcrash: cannot create the database %s: %s\n", db->name.c_str(), error.c_str());
    return false;
  }
  o->owner = PgOwner(db->name);
  return true;
}

int Coordinate(Options o, const std::string& self) {
  const fs::path folder = fs::temp_directory_path() / ("kvcrash-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  fs::current_path(folder);
  Database db;
  if (!PrepareDatabase(&o, &db)) return 1;
  std::printf("crash in the middle of a write%s, %s: %d rounds, %d products, kill within %d ms\n",
              o.program ? " through the products form" : "", o.postgres ? "PostgreSQL" : "SQLite",
              o.rounds, o.products, o.maxDelayMs);
  WriteInitialSettings();

  CrashTotals totals;
  CrashState state;
  state.iniPayload = Payload(0);
  std::mt19937 random(o.seed);
  std::uniform_int_distribution<int> delay(0, o.maxDelayMs);
  bool ok = true;
  // The program (korvandel) beside the tools' folder: BUILD/tools/crash/kvcrash.
  const std::string program =
      (fs::path(self).parent_path().parent_path().parent_path() / "korvandel").string();
  const std::string connect = ConnectLines(o, db.name, db.user, db.password);
  ProgramRound programRound{db.name, 1};
  for (int round = 1; ok && round <= o.rounds; ++round) {
    const unsigned seed = o.seed * 7919u + unsigned(round);
    pid_t pid = -1;
    std::function<bool()> ready;
    if (o.program) {
      std::ofstream("round.kvs") << ProgramScript(connect, state.versions, o.products, seed,
                                                  programRound.firstSequence, 2000);
      std::error_code ec;
      const std::uintmax_t from = fs::exists("journal") ? fs::file_size("journal", ec) : 0;
      ready = [from] { return ("\n" + JournalFrom(from)).find("\nready\n") != std::string::npos; };
      pid = tools::StartProcess(program, {"--script", "round.kvs"}, "journal");
    } else {
      fs::remove("ready");
      ready = [] { return fs::exists("ready"); };
      pid = StartWorker(self, o, seed);
    }
    if (pid < 0 || !WaitReady(pid, ready)) {
      std::printf("round %d: the %s did not start (see %s/%s)\n", round,
                  o.program ? "program" : "worker", folder.c_str(),
                  o.program ? "journal" : "worker.log");
      ok = false;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(delay(random)));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    std::string problem;
    if (!(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)) {
      ++totals.endedBeforeKill;
      // The program ends only when its script failed (or ran out of saves).
      if (o.program)
        problem = "the program ended before the kill (see " + folder.string() + "/journal)";
    }
    ok = problem.empty() && CheckAfterKill(o.owner, o.postgres, o.products, &state, &totals,
                                           &problem, o.program ? &programRound : nullptr);
    if (!ok) std::printf("round %d: FAILED: %s\n", round, problem.c_str());
    Journal journal;
    if (o.program && ReadJournal("journal", &journal))
      programRound.firstSequence =
          std::max(journal.lastSequence, programRound.firstSequence - 1) + 2;
  }
  PrintTotals(totals, o.rounds, o.program);
  std::printf("%s\n", ok ? "every round held" : "FAILED");
  ForgetThreadConnections();
  if (o.postgres) {
    std::string dropError;
    if (!RunSql(db.adminOwner, "DROP DATABASE " + db.name, &dropError) ||
        (o.program && !RunSql(db.adminOwner, "DROP ROLE " + db.user, &dropError)))
      std::printf("kvcrash: the database %s or its user was not dropped: %s\n", db.name.c_str(),
                  dropError.c_str());
  }
  fs::current_path(fs::temp_directory_path());
  std::error_code ec;
  if (ok) fs::remove_all(folder, ec);
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  return tools::RunTool(
      argc, argv,
      "usage: kvcrash [--program] [--postgres] [--rounds N] [--products P] [--max-delay MS] "
      "[--seed S]",
      [&] { return ParseArgs(argc, argv, &o); },
      [&](const std::string& self) {
        if (o.worker) return RunWorker(o.owner, o.products, o.seed, 1'000'000'000L);
        AdoptCurrentThread();
        return Coordinate(o, self);
      });
}
