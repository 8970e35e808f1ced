// kvstations: two stations (two processes) change the same products at once through the file
// manager's change-detection path, then the database is checked for lost updates.
//
//   kvstations [--owner OWNER] [--changes N] [--products P] [--stations S]
//
// OWNER is an owner string as the connection dialog composes it (default: an SQLite file in
// a temporary folder, which every station opens); N changes per station (default 5000) on P
// products (default 50) by S stations (default 2). Each station reads a product chosen at
// random, raises its change counter and writes it back; a write refused because the other
// station changed the product first must be reported as "Record Was Not Updated". At the end
// every product's counter must equal the number of changes reported as written to it, and
// the values written to it must be exactly 1, 2, ... its counter: nothing reported written is
// missing and no update was lost. Prints the counts and each station's throughput; exits 0
// when everything holds, 1 otherwise. Asserts no timing.
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "platform/qt/sql/SqlConnection.h"
#include "platform/thread/LogicalThread.h"
#include "tools/common/ToolProcess.h"
#include "tools/stations/Station.h"

namespace {

namespace fs = std::filesystem;
using namespace kv;
using namespace kv::stations;

struct Options {
  std::string owner;
  int changes = 5000;
  int products = 50;
  int stations = 2;
  // A station process (started by the coordinator).
  int station = 0;
  std::string table, folder;
};

bool ParseArgs(int argc, char** argv, Options* o) {
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string a = argv[i], v = argv[i + 1];
    if (a == "--owner")
      o->owner = v;
    else if (a == "--changes")
      o->changes = std::max(1, std::atoi(v.c_str()));
    else if (a == "--products")
      o->products = std::max(1, std::atoi(v.c_str()));
    else if (a == "--stations")
      o->stations = std::clamp(std::atoi(v.c_str()), 1, 8);
    else if (a == "--station")
      o->station = std::atoi(v.c_str());
    else if (a == "--table")
      o->table = v;
    else if (a == "--folder")
      o->folder = v;
    else
      return false;
  }
  return argc % 2 == 1;
}

std::string Kind(const std::string& owner) {
  if (owner.rfind("postgresql://", 0) == 0) return "PostgreSQL";
  if (owner.empty() || owner.front() == ',') return "SQLite (one file)";
  return "SQL Server";
}

void WaitFor(const fs::path& file) {
  while (!fs::exists(file)) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

int RunStationProcess(const Options& o) {
  AdoptCurrentThread();
  const fs::path folder = o.folder;
  StationResult r =
      RunStation(o.owner, o.table, o.products, o.changes, unsigned(1000 + o.station), [&] {
        std::FILE* f = std::fopen((folder / ("ready" + std::to_string(o.station))).c_str(), "w");
        if (f) std::fclose(f);
        WaitFor(folder / "go");
      });
  ForgetThreadConnections();
  return SaveResult(r, (folder / ("result" + std::to_string(o.station))).string()) ? 0 : 1;
}

// Creates the table with every product's counter at 0. False (reason printed) on failure.
bool Prepare(const Options& o) {
  ErrorStatus status;
  TitleRecorder errors;
  errors.Init(status);
  auto decl = MakeItemsTable(o.owner, o.table);
  ItemsManager fm(*decl, errors);
  fm.Init();
  bool ok = fm.Open() == Benign;
  for (int p = 1; ok && p <= o.products; ++p) {
    (void)fm.PrimeRecord(false);
    (void)VarRef(fm.Rec().CODE).SetText(ProductCode(p));
    fm.Rec().CHANGES = 0;
    ok = fm.Insert() == Benign;
  }
  if (!ok)
    std::fprintf(stderr, "kvstations: cannot prepare the table (%s)\n",
                 errors.titles.empty() ? "open failed" : errors.titles.back().c_str());
  (void)fm.Close();
  fm.Kill();
  errors.Kill();
  ForgetThreadConnections();
  return ok;
}

// Every product's counter as stored now; empty on failure.
std::map<int, long> Counters(const Options& o) {
  std::map<int, long> out;
  ErrorStatus status;
  TitleRecorder errors;
  errors.Init(status);
  auto decl = MakeItemsTable(o.owner, o.table);
  ItemsManager fm(*decl, errors);
  fm.Init();
  if (fm.Open() == Benign) {
    for (int p = 1; p <= o.products; ++p) {
      (void)VarRef(fm.Rec().CODE).SetText(ProductCode(p));
      if (fm.Fetch(1) == Benign) out[p] = fm.Rec().CHANGES;
    }
  }
  (void)fm.Close();
  fm.Kill();
  errors.Kill();
  ForgetThreadConnections();
  return out;
}

void DropTable(const Options& o) {
  StorageError e;
  if (std::shared_ptr<SqlConnection> c = ConnectionFor(o.owner, &e))
    (void)c->Exec(Statement{"DROP TABLE " + c->SqlDialect().QuoteIdentifier(o.table), {}});
  ForgetThreadConnections();
}

int Coordinate(Options o, const char* self) {
  AdoptCurrentThread();
  const fs::path folder = fs::temp_directory_path() / ("kvstations-" + std::to_string(::getpid()));
  fs::create_directories(folder);
  fs::current_path(folder);  // the SQLite file lives here for every station
  if (o.owner.empty()) o.owner = ",stations";
  o.table = "Stations_" + std::to_string(::getpid());
  o.folder = folder.string();
  std::printf("two stations, %s: %d stations x %d changes on %d products\n", Kind(o.owner).c_str(),
              o.stations, o.changes, o.products);
  if (!Prepare(o)) return 1;

  std::vector<pid_t> children;
  for (int s = 1; s <= o.stations; ++s) {
    const pid_t pid =
        tools::StartProcess(self, {"--owner", o.owner, "--changes", std::to_string(o.changes),
                                   "--products", std::to_string(o.products), "--station",
                                   std::to_string(s), "--table", o.table, "--folder", o.folder});
    if (pid > 0) children.push_back(pid);
  }
  for (int s = 1; s <= int(children.size()); ++s) WaitFor(folder / ("ready" + std::to_string(s)));
  std::fclose(std::fopen((folder / "go").c_str(), "w"));
  bool ok = int(children.size()) == o.stations;
  for (pid_t pid : children) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    ok = ok && WIFEXITED(status) && WEXITSTATUS(status) == 0;
  }

  std::map<int, std::vector<long>> history;  // product -> values reported written
  long written = 0;
  for (int s = 1; s <= o.stations; ++s) {
    StationResult r;
    if (!LoadResult((folder / ("result" + std::to_string(s))).string(), &r)) {
      std::printf("station %d: no result\n", s);
      ok = false;
      continue;
    }
    const int attempts = r.written + r.refused + r.other;
    std::printf(
        "station %d: %d written, %d refused (%d of them told \"Record Was Not Updated\"), %d "
        "other, %.2f s, %.0f changes/s\n",
        s, r.written, r.refused, r.refusedTold, r.other, r.seconds,
        r.seconds > 0 ? attempts / r.seconds : 0.0);
    for (const std::string& t : r.otherTitles) std::printf("  other: %s\n", t.c_str());
    ok = ok && r.refusedTold == r.refused && r.other == 0;
    written += r.written;
    for (const auto& [product, value] : r.values) history[product].push_back(value);
  }
  const std::map<int, long> counters = Counters(o);
  long counted = 0, lost = 0, missing = 0;
  for (int p = 1; p <= o.products; ++p) {
    auto it = counters.find(p);
    if (it == counters.end()) {
      ++missing;
      continue;
    }
    counted += it->second;
    std::vector<long>& values = history[p];
    std::sort(values.begin(), values.end());
    // Values 1..counter, each once: every reported write is in the history, none was lost.
    for (long v = 1; v <= it->second; ++v)
      if (!std::binary_search(values.begin(), values.end(), v)) ++missing;
    lost += long(values.size()) - it->second > 0 ? long(values.size()) - it->second : 0;
    for (std::size_t i = 1; i < values.size(); ++i) lost += values[i] == values[i - 1];
  }
  std::printf(
      "database: %ld changes counted on %zu products, %ld reported written; values missing from "
      "the history: %ld; lost updates: %ld\n",
      counted, counters.size(), written, missing, lost);
  ok = ok && counted == written && missing == 0 && lost == 0 && int(counters.size()) == o.products;
  std::printf("%s\n", ok ? "no update lost" : "FAILED");
  DropTable(o);
  fs::current_path(fs::temp_directory_path());
  std::error_code ec;
  fs::remove_all(folder, ec);
  return ok ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  Options o;
  return tools::RunTool(
      argc, argv, "usage: kvstations [--owner OWNER] [--changes N] [--products P] [--stations S]",
      [&] { return ParseArgs(argc, argv, &o); },
      [&](const std::string& self) {
        return o.station > 0 ? RunStationProcess(o) : Coordinate(o, self.c_str());
      });
}
