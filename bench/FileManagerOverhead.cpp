// The file manager's cost per record operation against plain Qt SQL statements doing the same
// work on the same SQLite database. Prints one table of microseconds per operation and the
// ratio (file manager / plain); asserts nothing.

#include <unistd.h>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <string>

#include "framework/data/FileManager.h"
#include "framework/errors/ErrorManager.h"
#include "platform/storage/DriverRegistry.h"
#include "platform/storage/FieldTableLayout.h"
#include "platform/storage/TableDecl.h"
#include "platform/thread/LogicalThread.h"

namespace {

using namespace kv;

int kRows = 1000;  // KV_BENCH_ROWS overrides

struct BenchRec {
  String<20> CODE;
  String<40> NAME;
  Decimal<11, 2> PRICE;
  Long PROVIDER;
};

const FieldTableLayout& Layout() {
  static const FieldTable fields = FieldTable::For<BenchRec>({
      KV_FIELD(BenchRec, CODE, "BEN:CODE", "@s20", "Code"),
      KV_FIELD(BenchRec, NAME, "BEN:NAME", "@s40", "Name"),
      KV_FIELD(BenchRec, PRICE, "BEN:PRICE", "@n-14.2", "Price"),
      KV_FIELD(BenchRec, PROVIDER, "BEN:PROVIDER", "@n-14", "Provider"),
  });
  static const FieldTableLayout layout(fields);
  return layout;
}

// The table's manager, derived the way the program derives its own.
class BenchManager : public FileManager {
 public:
  BenchManager(const TableDecl& decl, ErrorManager& errors) : decl_(decl), errors_(errors) {}
  ~BenchManager() override { FileManager::Kill(); }
  void Init() override {
    INITIALIZED = false;
    FILE = &decl_.Instance();
    BUFFER = RecordBuffer::Of(*FILE);
    FILENAMEVALUE = "BenchItems";
    SetErrors(&errors_);
    FileManager::Init();
  }
  ResultLevel PrepareUse(UseKind kind) override {
    if (kind != Initialize) {
      (void)PrepareUse(Initialize);
    } else if (!INITIALIZED) {
      INUSEFILE = true;
      InitFile(&decl_.Instance(), &errors_);
      (void)AddKey(1, "BEN:PK_Code", 0);
    }
    return FileManager::PrepareUse(kind);
  }
  BenchRec& Rec() { return *static_cast<BenchRec*>(BUFFER.address); }

 private:
  const TableDecl& decl_;
  ErrorManager& errors_;
};

std::string Code(int i) {
  char buf[24];
  std::snprintf(buf, sizeof buf, "C%06d", i);
  return buf;
}

// Microseconds per operation of `ops` operations run by `body`; `failures` counts failed ones.
double Time(int ops, const std::function<bool(int)>& body, int* failures) {
  auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < ops; ++i)
    if (!body(i)) ++*failures;
  auto end = std::chrono::steady_clock::now();
  return std::chrono::duration<double, std::micro>(end - start).count() / ops;
}

void Fail(const QSqlQuery& q) {
  std::fprintf(stderr, "plain statement failed: %s\n", q.lastError().text().toStdString().c_str());
}

}  // namespace

int main() {
  if (const char* rows = std::getenv("KV_BENCH_ROWS")) kRows = std::max(10, std::atoi(rows));
  std::string tmpl = (std::filesystem::temp_directory_path() / "kv-bench-XXXXXX").string();
  const char* dir = ::mkdtemp(tmpl.data());
  if (dir == nullptr) return 1;
  const std::filesystem::path home = std::filesystem::current_path();
  std::filesystem::current_path(dir);
  RegisterSqlDrivers();
  AdoptCurrentThread();
  ErrorStatus status;
  ErrorManager errors;
  errors.Init(status);
  errors.SetSilent(true);  // a failure is counted below, never shown

  // The manager's table and the plain table live in the same database file.
  TableDecl decl("BenchItems", "BenchItems", kSqlDriver, Layout());
  decl.SetOwnerText(",bench");
  decl.AddKey({"BEN:PK_Code", "", {{0, true}}, false, false, true});
  BenchManager fm(decl, errors);
  fm.Init();
  (void)fm.Open();
  (void)fm.PrepareUse(Initialize);

  QSqlDatabase db = QSqlDatabase::addDatabase("QSQLITE", "plain");
  db.setDatabaseName("bench.sqlite");
  if (!db.open()) {
    std::fprintf(stderr, "cannot open bench.sqlite\n");
    return 1;
  }
  QSqlQuery ddl(db);
  if (!ddl.exec("CREATE TABLE PlainItems (Code VARCHAR(20) NOT NULL PRIMARY KEY, Name "
                "VARCHAR(40) NOT NULL, Price NUMERIC(11,2), Provider INTEGER NOT NULL)"))
    Fail(ddl);

  struct Row {
    const char* op;
    double managed;
    double plain;
  };
  std::vector<Row> rows;
  int fmFailures = 0, plainFailures = 0;

  // Insert.
  QSqlQuery ins(db);
  ins.prepare("INSERT INTO PlainItems (Code, Name, Price, Provider) VALUES (?, ?, ?, ?)");
  double a = Time(
      kRows,
      [&](int i) {
        BenchRec& r = fm.Rec();
        Layout().Clear(&r);
        r.CODE = Code(i);
        r.NAME = "name " + std::to_string(i);
        (void)r.PRICE.SetText("12.50");
        r.PROVIDER = i % 7;
        return fm.Insert() == Benign;
      },
      &fmFailures);
  double b = Time(
      kRows,
      [&](int i) {
        ins.bindValue(0, QString::fromStdString(Code(i)));
        ins.bindValue(1, QString::fromStdString("name " + std::to_string(i)));
        ins.bindValue(2, QString("12.50"));
        ins.bindValue(3, i % 7);
        bool ok = ins.exec();
        if (!ok) Fail(ins);
        return ok;
      },
      &plainFailures);
  rows.push_back({"insert", a, b});

  // Fetch by key.
  QSqlQuery get(db);
  get.prepare("SELECT Code, Name, Price, Provider FROM PlainItems WHERE Code = ?");
  a = Time(
      kRows,
      [&](int i) {
        fm.Rec().CODE = Code((i * 37) % kRows);
        return fm.Fetch(1) == Benign;
      },
      &fmFailures);
  b = Time(
      kRows,
      [&](int i) {
        get.bindValue(0, QString::fromStdString(Code((i * 37) % kRows)));
        bool ok = get.exec() && get.next();
        if (ok) (void)get.value(1).toString();
        get.finish();  // an unfinished SELECT would hold SQLite's read lock against the other
                       // writer
        return ok;
      },
      &plainFailures);
  rows.push_back({"fetch by key", a, b});

  // Next, without and with row prefetch.
  for (int prefetch : {0, 20}) {
    fm.SetUseMrp(prefetch > 0);
    fm.SetMrpSize(static_cast<std::uint8_t>(prefetch));
    (void)fm.FILE->SetKey(1);
    a = Time(
        kRows, [&](int) { return fm.Next() == Benign; }, &fmFailures);
    QSqlQuery scan(db);
    scan.setForwardOnly(true);
    scan.exec("SELECT Code, Name, Price, Provider FROM PlainItems ORDER BY Code");
    b = Time(
        kRows,
        [&](int) {
          bool ok = scan.next();
          if (ok) (void)scan.value(1).toString();
          return ok;
        },
        &plainFailures);
    scan.finish();
    rows.push_back({prefetch == 0 ? "next" : "next (prefetch 20)", a, b});
  }
  fm.SetUseMrp(false);

  // Update: read the record, change it, write it back.
  QSqlQuery upd(db);
  upd.prepare("UPDATE PlainItems SET Name = ? WHERE Code = ?");
  a = Time(
      kRows,
      [&](int i) {
        fm.Rec().CODE = Code(i);
        if (fm.Fetch(1) != Benign) return false;
        fm.Rec().NAME = "changed " + std::to_string(i);
        return fm.Update() == Benign;
      },
      &fmFailures);
  b = Time(
      kRows,
      [&](int i) {
        get.bindValue(0, QString::fromStdString(Code(i)));
        if (!get.exec() || !get.next()) return false;
        get.finish();
        upd.bindValue(0, QString::fromStdString("changed " + std::to_string(i)));
        upd.bindValue(1, QString::fromStdString(Code(i)));
        bool ok = upd.exec() && upd.numRowsAffected() == 1;
        if (!ok) Fail(upd);
        return ok;
      },
      &plainFailures);
  rows.push_back({"update (fetch + write)", a, b});

  std::printf("File manager against plain Qt SQL on SQLite, %d records\n", kRows);
  std::printf("%-24s %14s %14s %8s\n", "operation", "manager us/op", "plain us/op", "ratio");
  for (const Row& r : rows)
    std::printf("%-24s %14.1f %14.1f %8.2f\n", r.op, r.managed, r.plain, r.managed / r.plain);
  std::printf("failed operations: manager %d, plain %d\n", fmFailures, plainFailures);

  fm.Kill();
  get = QSqlQuery();
  ins = QSqlQuery();
  upd = QSqlQuery();
  ddl = QSqlQuery();
  db.close();
  db = QSqlDatabase();
  QSqlDatabase::removeDatabase("plain");
  errors.Kill();
  ReleaseCurrentThread();
  std::filesystem::current_path(home);
  std::error_code ignored;
  std::filesystem::remove_all(tmpl, ignored);
  return 0;
}
