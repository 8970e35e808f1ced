// The cost of each action of a 20-row products list (BrowseManager) on tables of growing
// size, side by side with the toolkit's own table model fetching the same table to its end (as
// its table view does on Ctrl+End). For every action: the median time per action (warm), the
// statements it sends, and on PostgreSQL the statements the server logged for it; for each
// size the heap one open list holds. Then the ratios between sizes. Asserts nothing.
//
//   bench_browse [--data DIR] [--sqlite 1000,1000000,5000000] [--pg 1000000]
//                [--model 1000,1000000,5000000] [--reps 200] [--rounds 1]
//
// With --rounds N every list is measured N times, the sizes taking turns, and each action
// keeps its lowest median: on a machine that others share, a round that was slowed down as a
// whole then does not pass for a cost of the size.
//
// The SQLite databases (bench_browse_<rows>.sqlite) stay in DIR (default: the working
// directory) and are reused when they hold the right number of products. PostgreSQL runs when
// PGHOST and PGDATABASE are set; with KV_BENCH_PG_LOG naming the server's log file the bench
// turns log_statement on (superuser) and counts the logged statements of its connection.

#include <malloc.h>

#include <QCoreApplication>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlTableModel>
#include <QVariant>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/Globals.h"
#include "app/data/ProductsManagers.h"
#include "framework/browse/BrowseManager.h"
#include "framework/browse/Locator.h"
#include "framework/browse/RowQueue.h"
#include "framework/browse/TextThumbStep.h"
#include "framework/window/WindowManager.h"
#include "platform/headless/HeadlessBackend.h"
#include "platform/qt/sql/SqlConnection.h"
#include "platform/storage/DriverRegistry.h"
#include "platform/storage/View.h"
#include "platform/thread/LogicalThread.h"
#include "platform/window/EventHub.h"
#include "platform/window/EventLoop.h"
#include "tools/fill/ProductsFill.h"

namespace {

using namespace kv;
using Clock = std::chrono::steady_clock;

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

std::vector<long long> Sizes(const std::string& text) {
  std::vector<long long> out;
  std::stringstream in(text);
  for (std::string part; std::getline(in, part, ',');)
    if (!part.empty()) out.push_back(std::atoll(part.c_str()));
  return out;
}

std::size_t HeapInUse() {
  return mallinfo2().uordblks;
}

// ---- Statements
// ----------------------------------------------------------------------------------

// Statements of the browse's thread while an action is measured.
struct StatementCount {
  bool on = false;
  long count = 0;
  bool dirty = false;  // OFFSET, COUNT(*) or a read of the whole table was sent
};
StatementCount gStatements;

void WatchStatements() {
  SetStatementObserverForTests([](const Statement& st) {
    if (!gStatements.on) return;
    ++gStatements.count;
    const std::string& s = st.sql;
    const bool limited = s.find(" LIMIT ") != std::string::npos ||
                         s.find(" TOP ") != std::string::npos ||
                         s.find(" FETCH ") != std::string::npos;
    if (s.find("OFFSET") != std::string::npos || s.find("COUNT(") != std::string::npos ||
        (!limited && s.find(" WHERE ") == std::string::npos))
      gStatements.dirty = true;
  });
}

// Lines the PostgreSQL server logged for the backend `pid` since the last call.
class ServerLog {
 public:
  explicit ServerLog(std::string path) : path_(std::move(path)) { Skip(); }
  bool Enabled() const { return !path_.empty(); }
  void Skip() { (void)Count(""); }
  long Count(const std::string& pid) {
    std::ifstream in(path_);
    in.seekg(offset_);
    long n = 0;
    for (std::string line; std::getline(in, line);) {
      offset_ += std::streamoff(line.size() + 1);
      if (pid.empty() || line.find("[" + pid + "]") == std::string::npos) continue;
      if (line.find("LOG:  statement:") != std::string::npos ||
          line.find("LOG:  execute") != std::string::npos)
        ++n;
    }
    return n;
  }

 private:
  std::string path_;
  std::streamoff offset_ = 0;
};

// ---- The list
// ------------------------------------------------------------------------------------

struct ProductRow {
  String<20> PCODE;
  String<50> DESCRIPTION;
  Decimal<11, 2> PRICE;
  Long PROVIDERID;
  String<1024> VIEWPOSITION;
};

const FieldTable& RowFields() {
  static const FieldTable fields = FieldTable::For<ProductRow>({
      KV_FIELD(ProductRow, PCODE, "ROW:PCODE", "@s20", ""),
      KV_FIELD(ProductRow, DESCRIPTION, "ROW:DESCRIPTION", "@s50", ""),
      KV_FIELD(ProductRow, PRICE, "ROW:PRICE", "@n-14.2", ""),
      KV_FIELD(ProductRow, PROVIDERID, "ROW:PROVIDERID", "@n-14", ""),
      KV_FIELD(ProductRow, VIEWPOSITION, "ROW:VIEWPOSITION", "@s255", ""),
  });
  return fields;
}

struct Figure {
  double us = 0;          // median per action
  double statements = 0;  // per action
  double logged = -1;     // per action, from the server's log (-1: not counted)
  bool clean = true;
};
struct ListRun {
  std::string db;
  long long rows = 0;
  std::map<std::string, Figure> actions;
  std::size_t heap = 0;       // after the first fill
  std::size_t heapAfter = 0;  // after every action (the connection's page cache grown)
};

const char* const kActions[] = {"first fill",      "page down (middle)", "page up (middle)",
                                "row down (edge)", "row up (edge)",      "scroll to bottom",
                                "scroll to top",   "locate by letter",   "thumb drop (step)",
                                "RefreshRecord"};

constexpr int kEventBench = 1200;
constexpr int kList = 1;

class BenchList : public WindowManager {
 public:
  BenchList(ListRun& run, int reps, ServerLog& log, std::size_t heapBefore)
      : run_(run), reps_(reps), log_(log), heapBefore_(heapBefore) {}

  ResultLevel Init() override {
    if (ResultLevel r = WindowManager::Init(); r != Benign) return r;
    VCRREQUEST = &vcr_;
    ERRORS = &GlobalErrors;
    AddItem(2, RequestCompleted);
    (void)ProductsRelations()->Open();
    FILESOPENED = 1;
    queue_ = std::make_unique<RowQueue>(RowFields(), &row_);
    view_ = std::make_unique<View>(ProductsTable().Instance());
    browse.Init(kList, VarRef(row_.VIEWPOSITION), *view_, *queue_, *ProductsRelations(), *this);
    WindowDefinition def("Browse the Products file");
    def.Size(340, 250);
    def.List("?BROWSE:1",
             "80L(2)|M~PC ode~L(2)@s20@80L(2)|M~Description~L(2)@s50@64D(28)|M~"
             "Price~C(0)@n-14.2@64R(2)|M~Provider ID~C(0)@n-14@")
        .At(4, 4, 330, 10 + 20 * kListRowHeight)
        .Immediate()
        .ScrollBar();
    def.Button("?CLOSE", "&Close").At(4, 230, 40, 14);
    Open(def);
    browse.AddSortOrder(&step_, kProductsKeyPcode);
    ProductsRecord& rec = ProductsBuffer();
    locator_.Init(0, VarRef(rec.PCODE), 1, browse);
    browse.AddLocator(&locator_);
    browse.AddField(rec.PCODE, row_.PCODE);
    browse.AddField(rec.DESCRIPTION, row_.DESCRIPTION);
    browse.AddField(VarRef(rec.PRICE), VarRef(row_.PRICE));
    browse.AddField(rec.PROVIDERID, row_.PROVIDERID);
    SetAlerts();
    MYWINDOW.Post(kEventBench);
    return Benign;
  }
  ResultLevel Kill() override {
    if (ResultLevel r = WindowManager::Kill(); r != Benign) return r;
    locator_.Kill();
    if (FILESOPENED) (void)ProductsRelations()->Close();
    return Benign;
  }
  ResultLevel TakeEvent() override {
    if (CurrentEvent().code == kEventBench) {
      Measure();
      MYWINDOW.Post(kEventCloseWindow);
      return Notify;
    }
    return WindowManager::TakeEvent();
  }

  BrowseManager browse;

 private:
  // Positions the list in the middle of the data (the codes that begin with M).
  void Middle() {
    ProductsBuffer().PCODE = "M";
    browse.ResetTo(1);
    browse.ResetList(FromPosition);
  }
  // Runs `prepare` (not measured) and `action` (measured) `reps_` times into `name`.
  void Time(const std::string& name, const std::function<void()>& prepare,
            const std::function<void()>& action) {
    std::vector<double> us;
    long statements = 0;
    bool clean = true;
    if (log_.Enabled()) log_.Skip();
    for (int i = 0; i < reps_; ++i) {
      if (prepare) prepare();
      gStatements = {true, 0, false};
      const auto t0 = Clock::now();
      action();
      us.push_back(std::chrono::duration<double, std::micro>(Clock::now() - t0).count());
      statements += gStatements.count;
      clean &= !gStatements.dirty;
      gStatements.on = false;
    }
    std::sort(us.begin(), us.end());
    Figure& f = run_.actions[name];
    f.us = us[us.size() / 2];
    f.statements = double(statements) / reps_;
    f.clean = clean;
    if (log_.Enabled()) f.logged = double(log_.Count(pid_)) / reps_;
  }
  // `a` and `b` alternate (so the list stays where it is), each measured on its own.
  void Alternate(const std::string& a, const std::function<void()>& prepareA,
                 const std::function<void()>& doA, const std::string& b,
                 const std::function<void()>& prepareB, const std::function<void()>& doB) {
    const int reps = reps_;
    reps_ = 1;
    std::map<std::string, std::vector<Figure>> all;
    for (int i = 0; i < reps; ++i) {
      Time(a, prepareA, doA);
      all[a].push_back(run_.actions[a]);
      Time(b, prepareB, doB);
      all[b].push_back(run_.actions[b]);
    }
    reps_ = reps;
    for (const auto& [name, figures] : all) {
      std::vector<double> us;
      Figure sum;
      sum.logged = figures[0].logged < 0 ? -1 : 0;
      for (const Figure& f : figures) {
        us.push_back(f.us);
        sum.statements += f.statements / reps;
        if (sum.logged >= 0) sum.logged += f.logged / reps;
        sum.clean &= f.clean;
      }
      std::sort(us.begin(), us.end());
      sum.us = us[us.size() / 2];
      run_.actions[name] = sum;
    }
  }

  void Measure() {
    run_.heap = HeapInUse() - heapBefore_;
    if (run_.db == "postgres") {
      std::vector<std::vector<SqlValue>> rows;
      std::vector<ColumnDesc> columns(1);
      columns[0].type = ColumnType::kInteger;
      StorageError e;
      if (auto conn = ConnectionFor(ConnectionOwner.Get(), &e))
        (void)conn->Exec({"SELECT pg_backend_pid()", {}}, &columns, &rows);
      if (!rows.empty()) pid_ = std::to_string(rows[0][0].integer);
    }
    Window& w = MYWINDOW;
    Time(
        "first fill",
        [&] {
          browse.LISTQUEUE->Free();
          browse.CURRENTCHOICE = 0;
        },
        [&] { (void)browse.SelectSort(1, 1); });
    Middle();
    Alternate(
        "page down (middle)", {}, [&] { browse.TakeScroll(kEventPageDown); }, "page up (middle)",
        {}, [&] { browse.TakeScroll(kEventPageUp); });
    Alternate(
        "row down (edge)", [&] { browse.CURRENTCHOICE = browse.LISTQUEUE->Records(); },
        [&] { browse.TakeScroll(kEventScrollDown); }, "row up (edge)",
        [&] { browse.CURRENTCHOICE = 1; }, [&] { browse.TakeScroll(kEventScrollUp); });
    Alternate(
        "scroll to bottom", {}, [&] { browse.TakeScroll(kEventScrollBottom); }, "scroll to top", {},
        [&] { browse.TakeScroll(kEventScrollTop); });
    Middle();
    bool m = true;
    Time(
        "locate by letter", [&] { SetKeyCode((m = !m) ? 'M' : 'N'); },
        [&] { (void)browse.TakeKey(); });
    bool low = true;
    Time(
        "thumb drop (step)", [&] { w.SetThumb(kList, (low = !low) ? 45 : 55); },
        [&] { browse.TakeThumbDrag(); });
    Middle();
    Time("RefreshRecord", {}, [&] { browse.RefreshRecord(); });
    run_.heapAfter = HeapInUse() - heapBefore_;
  }

  ListRun& run_;
  int reps_;
  ServerLog& log_;
  std::size_t heapBefore_;
  std::string pid_;
  std::int32_t vcr_ = 0;
  ProductRow row_{};
  std::unique_ptr<RowQueue> queue_;
  std::unique_ptr<View> view_;
  Locator locator_;
  TextThumbStep step_;
};

// ---- Data
// ----------------------------------------------------------------------------------------

QSqlDatabase Direct(const std::string& name, bool pg, const std::string& file) {
  QSqlDatabase db =
      QSqlDatabase::addDatabase(pg ? "QPSQL" : "QSQLITE", QString::fromStdString(name));
  if (pg) {
    db.setHostName(QString::fromStdString(Env("PGHOST")));
    db.setDatabaseName(QString::fromStdString(Env("PGDATABASE")));
    if (!Env("PGPORT").empty()) db.setPort(std::atoi(Env("PGPORT").c_str()));
    db.setUserName(QString::fromStdString(Env("PGUSER")));
    db.setPassword(QString::fromStdString(Env("PGPASSWORD")));
  } else {
    db.setDatabaseName(QString::fromStdString(file));
  }
  if (!db.open())
    std::fprintf(stderr, "cannot connect: %s\n", db.lastError().text().toStdString().c_str());
  return db;
}

long long CountProducts(bool pg, const std::string& file) {
  long long n = -1;
  {
    QSqlDatabase db = Direct("count", pg, file);
    QSqlQuery q(db);
    if (q.exec("SELECT COUNT(*) FROM \"Products\"") && q.next()) n = q.value(0).toLongLong();
  }
  QSqlDatabase::removeDatabase("count");
  return n;
}

std::string OwnerOf(bool pg, long long rows) {
  if (!pg) return ",bench_browse_" + std::to_string(rows);
  return "postgresql://" + Env("PGHOST") + ":" + Env("PGPORT") + "," + Env("PGDATABASE") + "," +
         Env("PGUSER") + "," + Env("PGPASSWORD");
}

bool Prepare(bool pg, long long rows) {
  const std::string file = "bench_browse_" + std::to_string(rows) + ".sqlite";
  if (CountProducts(pg, file) == rows) return true;
  std::fprintf(stderr, "filling %lld products (%s)...\n", rows, pg ? "postgres" : file.c_str());
  const auto t0 = Clock::now();
  const std::string failure = FillProducts(OwnerOf(pg, rows), rows, true);
  ForgetThreadConnections();
  if (!failure.empty()) {
    std::fprintf(stderr, "fill failed: %s\n", failure.c_str());
    return false;
  }
  std::fprintf(stderr, "  %.1f s\n", std::chrono::duration<double>(Clock::now() - t0).count());
  if (pg) {
    QSqlDatabase db = Direct("analyze", true, "");
    QSqlQuery(db).exec("ANALYZE \"Products\"");
  }
  QSqlDatabase::removeDatabase("analyze");
  return true;
}

ListRun MeasureList(bool pg, long long rows, int reps, ServerLog& log) {
  ListRun run;
  run.db = pg ? "postgres" : "sqlite";
  run.rows = rows;
  ConnectionOwner.Set(OwnerOf(pg, rows));
  CreateProductsManagers();
  // The table and its connection are open before the list: what the list holds is measured.
  (void)ProductsRelations()->Open();
  (void)ProductsFile()->PrepareUse(UseRecord);
  const std::size_t before = HeapInUse();
  {
    BenchList list(run, reps, log, before);
    (void)list.Run();
  }
  (void)ProductsRelations()->Close();
  ReleaseProductsManagers();
  ForgetThreadConnections();
  return run;
}

// Keeps in `best` the lower median of each action (the statements are the same every round).
void KeepLowest(ListRun& best, const ListRun& other) {
  for (auto& [name, figure] : best.actions) {
    auto it = other.actions.find(name);
    if (it != other.actions.end()) figure.us = std::min(figure.us, it->second.us);
  }
  best.heap = std::max(best.heap, other.heap);
  best.heapAfter = std::max(best.heapAfter, other.heapAfter);
}

struct ModelFigure {
  long long rows = 0;
  double seconds = 0;
  std::size_t heap = 0;
};

ModelFigure MeasureModel(long long rows) {
  ModelFigure f;
  f.rows = rows;
  const std::string file = "bench_browse_" + std::to_string(rows) + ".sqlite";
  {
    QSqlDatabase db = Direct("model", false, file);
    const std::size_t before = HeapInUse();
    const auto t0 = Clock::now();
    QSqlTableModel model(nullptr, db);
    model.setTable("Products");
    model.setSort(0, Qt::AscendingOrder);
    model.select();
    while (model.canFetchMore()) model.fetchMore();
    f.seconds = std::chrono::duration<double>(Clock::now() - t0).count();
    f.heap = HeapInUse() - before;
    if (model.rowCount() != rows)
      std::fprintf(stderr, "the model read %d rows\n", model.rowCount());
  }
  QSqlDatabase::removeDatabase("model");
  return f;
}

// ---- Report
// --------------------------------------------------------------------------------------

void Report(const std::vector<ListRun>& runs, const std::vector<ModelFigure>& models) {
  for (const std::string db : {"sqlite", "postgres"}) {
    std::vector<const ListRun*> of;
    for (const ListRun& r : runs)
      if (r.db == db) of.push_back(&r);
    if (of.empty()) continue;
    std::printf("\nList of 20 rows on %s: median microseconds per action (statements sent%s)\n",
                db.c_str(), db == "postgres" ? "; statements the server logged" : "");
    std::printf("%-20s", "action");
    for (const ListRun* r : of) std::printf(" %20lld", r->rows);
    for (std::size_t i = 1; i < of.size(); ++i)
      std::printf("  %lld/%lld", of[i]->rows, of[i - 1]->rows);
    std::printf("\n");
    for (const char* a : kActions) {
      std::printf("%-20s", a);
      for (const ListRun* r : of) {
        const Figure& f = r->actions.at(a);
        char cell[64];
        if (f.logged >= 0)
          std::snprintf(cell, sizeof cell, "%.1f (%.2f; %.2f)%s", f.us, f.statements, f.logged,
                        f.clean ? "" : "!");
        else
          std::snprintf(cell, sizeof cell, "%.1f (%.2f)%s", f.us, f.statements, f.clean ? "" : "!");
        std::printf(" %20s", cell);
      }
      for (std::size_t i = 1; i < of.size(); ++i)
        std::printf("  %9.2fx", of[i]->actions.at(a).us / of[i - 1]->actions.at(a).us);
      std::printf("\n");
    }
    std::printf("%-20s", "heap after fill KB");
    for (const ListRun* r : of) std::printf(" %20.1f", r->heap / 1024.0);
    std::printf("\n%-20s", "heap after all KB");
    for (const ListRun* r : of) std::printf(" %20.1f", r->heapAfter / 1024.0);
    std::printf("\n");
  }
  if (!models.empty()) {
    std::printf("\nToolkit table model fetching the SQLite table to its end\n");
    for (const ModelFigure& m : models) {
      std::printf("%12lld rows: %10.1f ms, %10.1f MB", m.rows, m.seconds * 1000,
                  m.heap / 1048576.0);
      for (const ListRun& r : runs)
        if (r.db == "sqlite" && r.rows == m.rows)
          std::printf("   list's scroll to bottom is %.0fx faster",
                      m.seconds * 1e6 / r.actions.at("scroll to bottom").us);
      std::printf("\n");
    }
  }
  std::printf(
      "\n'!' marks an action that sent OFFSET, COUNT(*) or a statement reading the whole "
      "table.\n");
}

}  // namespace

int main(int argc, char** argv) {
  QCoreApplication app(argc, argv);
  std::string data = ".";
  std::vector<long long> sqlite = {1000, 1000000, 5000000}, pgSizes = {1000000},
                         modelSizes = {1000, 1000000, 5000000};
  int reps = 200, rounds = 1;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string arg = argv[i], value = argv[i + 1];
    if (arg == "--data") data = value;
    if (arg == "--sqlite") sqlite = Sizes(value);
    if (arg == "--pg") pgSizes = Sizes(value);
    if (arg == "--model") modelSizes = Sizes(value);
    if (arg == "--reps") reps = std::max(1, std::atoi(value.c_str()));
    if (arg == "--rounds") rounds = std::max(1, std::atoi(value.c_str()));
  }
  std::filesystem::create_directories(data);
  std::filesystem::current_path(data);
  RegisterSqlDrivers();
  // The event hub gives a queue to each thread that starts after it exists, so it comes first.
  (void)EventHub::Instance();
  AdoptCurrentThread();
  ErrorStatus status;
  GlobalErrors.Init(status);
  GlobalErrors.SetSilent(true);
  HeadlessBackend backend;
  InstallBackend(&backend);
  WatchStatements();

  const bool pg = !Env("PGHOST").empty() && !Env("PGDATABASE").empty();
  ServerLog log(pg ? Env("KV_BENCH_PG_LOG") : "");
  if (log.Enabled()) {
    QSqlDatabase db = Direct("logging", true, "");
    QSqlQuery q(db);
    q.exec("ALTER SYSTEM SET log_statement = 'all'");
    q.exec("SELECT pg_reload_conf()");
  }
  QSqlDatabase::removeDatabase("logging");

  bool failed = false;  // a table could not be filled: the run is not complete
  std::vector<std::pair<bool, long long>> lists;
  for (long long n : sqlite) {
    if (Prepare(false, n))
      lists.push_back({false, n});
    else
      failed = true;
  }
  // The server holds one Products table, so its sizes are measured one after the other.
  std::vector<ListRun> runs;
  for (int round = 0; round < rounds; ++round) {
    for (std::size_t i = 0; i < lists.size(); ++i) {
      ListRun r = MeasureList(lists[i].first, lists[i].second, reps, log);
      if (round == 0)
        runs.push_back(r);
      else
        KeepLowest(runs[i], r);
    }
  }
  if (pg) {
    for (long long n : pgSizes) {
      if (!Prepare(true, n)) {
        failed = true;
        continue;
      }
      ListRun best = MeasureList(true, n, reps, log);
      for (int round = 1; round < rounds; ++round)
        KeepLowest(best, MeasureList(true, n, reps, log));
      runs.push_back(best);
    }
  }
  std::vector<ModelFigure> models;
  for (long long n : modelSizes)
    if (std::find(sqlite.begin(), sqlite.end(), n) != sqlite.end())
      models.push_back(MeasureModel(n));
  Report(runs, models);
  InstallBackend(nullptr);
  GlobalErrors.Kill();
  return failed ? 1 : 0;
}
