#include "DataFixture.h"

#include <unistd.h>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QSqlRecord>
#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <functional>

#include "platform/RuntimeError.h"
#include "platform/qt/sql/SqlConnection.h"
#include "platform/qt/sql/SqliteFolding.h"

namespace kv::testing {
namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

// SQLite files live in the working directory: give the suite a fresh one.
void EnterWorkDir() {
  static const bool done = [] {
    std::string tmpl = (std::filesystem::temp_directory_path() / "kv-filemgr-XXXXXX").string();
    if (char* made = ::mkdtemp(tmpl.data())) std::filesystem::current_path(made);
    return true;
  }();
  (void)done;
}

}  // namespace

const FieldTableLayout& ItemLayout() {
  static const FieldTable fields = FieldTable::For<ItemRec>({
      KV_FIELD(ItemRec, CODE, "ITM:CODE", "@s20", "Code"),
      KV_FIELD(ItemRec, NAME, "ITM:NAME", "@s40", "Name"),
      KV_FIELD(ItemRec, PRICE, "ITM:PRICE", "@n-14.2", "Price"),
      KV_FIELD(ItemRec, PROVIDER, "ITM:PROVIDER", "@n-14", "Provider"),
  });
  static const FieldTableLayout layout(fields);
  return layout;
}

const FieldTableLayout& LineLayout() {
  static const FieldTable fields = FieldTable::For<LineRec>({
      KV_FIELD(LineRec, ID, "LIN:ID", "@n-14", "Id"),
      KV_FIELD(LineRec, GRP, "LIN:GRP", "@s10", "Grp"),
      KV_FIELD(LineRec, SEQ, "LIN:SEQ", "@n-7", "Seq"),
      KV_FIELD(LineRec, TEXT, "LIN:TEXT", "@s30", "Txt"),
  });
  static const FieldTableLayout layout(fields);
  return layout;
}

std::vector<Backend> Backends() {
  bool pg = !Env("PGHOST").empty() && !Env("PGDATABASE").empty();
  return {{"sqlite", true, ""}, {"postgres", pg, "PGHOST/PGDATABASE not set"}};
}

std::string BackendName(const ::testing::TestParamInfo<Backend>& info) {
  return info.param.name;
}

std::string UniqueName(const std::string& base) {
  return base + "_" + std::to_string(::getpid());
}
std::string ItemsTable() {
  return UniqueName("FmItems");
}
std::string SharedTable() {
  return UniqueName("FmShared");
}
std::string LinesTable() {
  return UniqueName("FmLines");
}

bool PostgresRequired() {
  return Env("KORVANDEL_REQUIRE_PG") == "1";
}

std::string OwnerFor(const Backend& b, const std::string& user, const std::string& password) {
  if (b.name == "sqlite") return ",fmsuite";
  std::string u = user.empty() ? Env("PGUSER") : user;
  std::string p = user.empty() ? Env("PGPASSWORD") : password;
  return "postgresql://" + Env("PGHOST") + ":" + Env("PGPORT") + "," + Env("PGDATABASE") + "," + u +
         "," + p;
}

namespace {

// Runs `body` with a connection of its own to the backend, as its administrator; the error text
// when the connection cannot be made.
std::string WithConnection(const Backend& b,
                           const std::function<std::string(QSqlDatabase&)>& body) {
  EnterWorkDir();
  ConnectionTarget target;
  StorageError error;
  if (!ResolveOwner(OwnerFor(b), &target, &error)) return error.driverText;
  static std::atomic<int> counter{0};
  QString name = QString("fm-direct-%1").arg(counter++);
  std::string result;
  {
    QSqlDatabase db = QSqlDatabase::addDatabase(QString::fromStdString(target.qtDriver), name);
    db.setDatabaseName(QString::fromStdString(target.databaseName));
    if (!target.host.empty()) db.setHostName(QString::fromStdString(target.host));
    if (target.port > 0) db.setPort(target.port);
    if (!target.user.empty()) db.setUserName(QString::fromStdString(target.user));
    if (!target.password.empty()) db.setPassword(QString::fromStdString(target.password));
    if (db.open()) {
      (void)AddSqliteFolding(db);  // indexes of the program's tables use its functions
      result = body(db);
    } else {
      result = db.lastError().text().toStdString();
    }
    db.close();
  }
  QSqlDatabase::removeDatabase(name);
  return result;
}

}  // namespace

std::string ExecDirect(const Backend& b, const std::string& sql) {
  return WithConnection(b, [&](QSqlDatabase& db) {
    QSqlQuery q(db);
    return q.exec(QString::fromStdString(sql)) ? std::string() : q.lastError().text().toStdString();
  });
}

std::vector<std::string> QueryDirect(const Backend& b, const std::string& sql) {
  std::vector<std::string> rows;
  std::string error = WithConnection(b, [&](QSqlDatabase& db) {
    QSqlQuery q(db);
    if (!q.exec(QString::fromStdString(sql))) return q.lastError().text().toStdString();
    while (q.next()) {
      std::string row;
      for (int i = 0; i < q.record().count(); ++i) {
        if (i) row += '|';
        row += q.value(i).isNull() ? std::string("NULL") : q.value(i).toString().toStdString();
      }
      rows.push_back(row);
    }
    return std::string();
  });
  if (!error.empty()) return {"ERROR: " + error};
  return rows;
}

LockHolder::LockHolder(const Backend& b, std::vector<std::string> statements,
                       std::chrono::milliseconds hold) {
  thread_ = std::thread([this, b, statements = std::move(statements), hold] {
    std::string error = WithConnection(b, [&](QSqlDatabase& db) {
      std::string failed;
      for (const std::string& sql : statements) {
        QSqlQuery q(db);
        if (!q.exec(QString::fromStdString(sql))) {
          failed = sql + ": " + q.lastError().text().toStdString();
          break;
        }
      }
      {
        std::unique_lock lock(mutex_);
        error_ = failed;
        ready_ = true;
        changed_.notify_all();
        changed_.wait_for(lock, hold, [&] { return release_; });
      }
      QSqlQuery rollback(db);
      (void)rollback.exec("ROLLBACK");
      return std::string();
    });
    std::lock_guard lock(mutex_);
    if (!ready_) error_ = error;
    ready_ = true;
    changed_.notify_all();
  });
}

LockHolder::~LockHolder() {
  Release();
  thread_.join();
}

std::string LockHolder::Ready() {
  std::unique_lock lock(mutex_);
  changed_.wait(lock, [&] { return ready_; });
  return error_;
}

void LockHolder::Release() {
  std::lock_guard lock(mutex_);
  release_ = true;
  changed_.notify_all();
}

bool PrepareBackend(const Backend& b, const std::vector<std::string>& tables, std::string* why) {
  if (!b.available) {
    *why = b.why;
    return false;
  }
  EnterWorkDir();
  ForgetThreadConnections();
  for (const std::string& t : tables) (void)ExecDirect(b, "DROP TABLE IF EXISTS \"" + t + "\"");
  return true;
}

std::unique_ptr<TableDecl> MakeItems(const std::string& owner, bool threaded,
                                     const std::string& name) {
  auto d = std::make_unique<TableDecl>("FmItems", name, kSqlDriver, ItemLayout(), threaded);
  d->SetOwnerText(owner);
  d->AddKey({"ITM:PK_Code", "", {{0, true}}, false, false, true});
  d->AddKey({"ITM:ByName", "", {{1, true}}, false, true, false});
  d->AddKey({"ITM:ByProvider", "", {{3, false}, {0, true}}, true, false, false});
  return d;
}

std::unique_ptr<TableDecl> MakeLines(const std::string& owner) {
  auto d = std::make_unique<TableDecl>("FmLines", LinesTable(), kSqlDriver, LineLayout());
  d->SetOwnerText(owner);
  d->AddKey({"LIN:PK_Id", "", {{0, true}}, false, false, true});
  d->AddKey({"LIN:ByGroup", "", {{1, true}, {2, true}}, false, false, false});
  d->AddKey({"LIN:ByText", "", {{3, true}}, false, false, false});
  return d;
}

// ---- TestFileManager -------------------------------------------------------------------------

TestFileManager::TestFileManager(const TableDecl& decl, ErrorManager& errors,
                                 std::vector<KeySpec> keys, std::string name)
    : decl_(decl), errors_(errors), keys_(std::move(keys)), name_(std::move(name)) {}

TestFileManager::~TestFileManager() {
  TestFileManager::Kill();
}

void TestFileManager::Init() {
  INITIALIZED = false;
  FILE = &decl_.Instance();
  BUFFER = RecordBuffer::Of(*FILE);
  FILENAMEVALUE = name_;
  SetErrors(&errors_);
  FileManager::Init();
}

void TestFileManager::Kill() {
  FileManager::Kill();
}

ResultLevel TestFileManager::PrepareUse(UseKind kind) {
  if (kind != Initialize) {
    (void)PrepareUse(Initialize);
  } else if (!INITIALIZED) {
    INUSEFILE = true;
    InitFile(&decl_.Instance(), &errors_);
    ++initFiles;
    CREATE = create;
    LOCKRECOVER = 10;
    for (const KeySpec& k : keys_) (void)AddKey(k.key, k.description, k.autoInc);
  }
  return FileManager::PrepareUse(kind);
}

ResultLevel TestFileManager::CheckField(int fieldNo, bool report) {
  if (fieldNo == rejectField) return User;
  return FileManager::CheckField(fieldNo, report);
}

bool TestFileManager::BeforeAdd(int, void*, std::size_t) {
  ++adds;
  return !vetoAdds;
}
bool TestFileManager::BeforeChange(int, void*, const void*, std::size_t) {
  ++changes;
  return true;
}
bool TestFileManager::BeforeDelete(int) {
  ++deletes;
  return true;
}

ResultLevel RecordingErrors::OnFatal() {
  (void)ShowMessage(ExpandMessageText(), CurrentTitle(), kIconExclamation, kButtonOk, kButtonOk, 0);
  return Fatal;
}

// ---- DataTest --------------------------------------------------------------------------------

void DataTest::SetUp() {
  ClearLastError();
  ErrorStatus::ThisThread().Reset();
  SetHaltHandler([](int, std::string_view text) {
    std::fprintf(stderr, "unexpected halt: %.*s\n", static_cast<int>(text.size()), text.data());
    std::abort();
  });
  errors.Init(status);
  std::string why;
  if (!PrepareBackend(B(), {ItemsTable(), LinesTable(), SharedTable()}, &why)) {
    if (B().name == "postgres" && PostgresRequired()) FAIL() << "PostgreSQL is required: " << why;
    GTEST_SKIP() << why;
  }
  owner = OwnerFor(B());
  ready = true;
}

void DataTest::TearDown() {
  SetHaltHandler({});
  errors.Kill();
  ClearLastError();
}

std::vector<std::string> DataTest::Captions() const {
  std::vector<std::string> out;
  for (const MessageBoxRequest& r : modal.Shown()) out.push_back(r.caption);
  return out;
}

std::string DataTest::LastText() const {
  std::vector<MessageBoxRequest> shown = modal.Shown();
  return shown.empty() ? std::string() : shown.back().text;
}

}  // namespace kv::testing
