// kvcrash: the program is killed with SIGKILL at random moments while it inserts and changes
// products through the program's Products file manager and writes "Korvandel.INI"; after each
// kill the database and the settings file are checked.
//
//   kvcrash [--postgres] [--rounds N] [--products P] [--max-delay MS] [--seed S]
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
// SQLite uses a file in a folder of its own; --postgres uses the server of the PG* environment
// variables and a database of its own, created and dropped by the tool. Prints the counts;
// exits 0 when every round held, 1 otherwise. Asserts no timing.
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QCoreApplication>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/qt/sql/SqlConnection.h"
#include "platform/settings/ProfileFile.h"
#include "platform/storage/DriverRegistry.h"
#include "platform/thread/LogicalThread.h"
#include "tools/crash/CrashCheck.h"
#include "tools/crash/CrashProducts.h"

extern char** environ;

namespace {

namespace fs = std::filesystem;
using namespace kv;
using namespace kv::crash;

struct Options {
  bool postgres = false;
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

pid_t StartWorker(const char* self, const Options& o, unsigned seed) {
  std::vector<std::string> args = {self,     "--worker",          "--owner",
                                   o.owner,  "--products",        std::to_string(o.products),
                                   "--seed", std::to_string(seed)};
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 2, "worker.log", O_WRONLY | O_CREAT | O_APPEND, 0600);
  pid_t pid = 0;
  const int rc = ::posix_spawn(&pid, self, &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  return rc == 0 ? pid : -1;
}

// Waits for the worker's "ready" file; false when the worker ended first.
bool WaitReady(pid_t pid) {
  while (!fs::exists("ready")) {
    int status = 0;
    if (::waitpid(pid, &status, WNOHANG) == pid) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

int Coordinate(Options o, const char* self) {
  const fs::path folder = fs::temp_directory_path() / ("kvcrash-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  fs::current_path(folder);
  std::string adminOwner, database, error;
  if (o.postgres) {
    database = "kvcrash_" + std::to_string(::getpid());
    adminOwner = PgOwner(Env("PGDATABASE", "postgres"));
    if (!RunSql(adminOwner, "CREATE DATABASE " + database, &error)) {
      std::printf("kvcrash: cannot create the database %s: %s\n", database.c_str(), error.c_str());
      return 1;
    }
    o.owner = PgOwner(database);
  } else {
    o.owner = ",crash";
  }
  std::printf("crash in the middle of a write, %s: %d rounds, %d products, kill within %d ms\n",
              o.postgres ? "PostgreSQL" : "SQLite", o.rounds, o.products, o.maxDelayMs);
  WriteInitialSettings();

  CrashTotals totals;
  CrashState state;
  state.iniPayload = Payload(0);
  std::mt19937 random(o.seed);
  std::uniform_int_distribution<int> delay(0, o.maxDelayMs);
  bool ok = true;
  for (int round = 1; ok && round <= o.rounds; ++round) {
    fs::remove("ready");
    const pid_t pid = StartWorker(self, o, o.seed * 7919u + unsigned(round));
    if (pid < 0 || !WaitReady(pid)) {
      std::printf("round %d: the worker did not start (see %s/worker.log)\n", round,
                  folder.c_str());
      ok = false;
      break;
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(delay(random)));
    ::kill(pid, SIGKILL);
    int status = 0;
    ::waitpid(pid, &status, 0);
    if (!(WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL)) ++totals.endedBeforeKill;
    std::string problem;
    ok = CheckAfterKill(o.owner, o.postgres, o.products, &state, &totals, &problem);
    if (!ok) std::printf("round %d: FAILED: %s\n", round, problem.c_str());
  }
  PrintTotals(totals, o.rounds);
  std::printf("%s\n", ok ? "every round held" : "FAILED");
  ForgetThreadConnections();
  if (o.postgres) {
    std::string dropError;
    if (!RunSql(adminOwner, "DROP DATABASE " + database, &dropError))
      std::printf("kvcrash: the database %s was not dropped: %s\n", database.c_str(),
                  dropError.c_str());
  }
  fs::current_path(fs::temp_directory_path());
  std::error_code ec;
  if (ok) fs::remove_all(folder, ec);
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  Options o;
  if (!ParseArgs(argc, argv, &o)) {
    std::fprintf(stderr,
                 "usage: kvcrash [--postgres] [--rounds N] [--products P] [--max-delay MS] "
                 "[--seed S]\n");
    return 2;
  }
  RegisterSqlDrivers();
  if (o.worker) return RunWorker(o.owner, o.products, o.seed, 1'000'000'000L);
  const std::string self = fs::read_symlink("/proc/self/exe").string();
  AdoptCurrentThread();
  return Coordinate(o, self.c_str());
}
