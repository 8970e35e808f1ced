#include "tests/framework/browse/BrowseFixture.h"

#include <unistd.h>

#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <sstream>

#include "platform/RuntimeError.h"
#include "platform/qt/sql/SqlConnection.h"
#include "platform/qt/sql/SqliteFolding.h"
#include "platform/window/EventHub.h"
#include "platform/window/EventLoop.h"
#include "platform/window/UserInput.h"

namespace kv::test {
namespace {

std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}

std::string TableName() {
  return "BrItems_" + std::to_string(::getpid());
}

std::string OwnerOf(const Db& db) {
  if (db.name == "sqlite") return ",brsuite";
  return "postgresql://" + Env("PGHOST") + ":" + Env("PGPORT") + "," + Env("PGDATABASE") + "," +
         Env("PGUSER") + "," + Env("PGPASSWORD");
}

const FieldTableLayout& ItemLayout() {
  static const FieldTable fields = FieldTable::For<ItemRec>({
      KV_FIELD(ItemRec, CODE, "BRI:CODE", "@s20", "Code"),
      KV_FIELD(ItemRec, NAME, "BRI:NAME", "@s40", "Name"),
      KV_FIELD(ItemRec, PRICE, "BRI:PRICE", "@n-14.2", "Price"),
      KV_FIELD(ItemRec, QTY, "BRI:QTY", "@n-7", "Qty"),
  });
  static const FieldTableLayout layout(fields);
  return layout;
}

std::string Quoted(const std::string& text) {
  std::string out = "'";
  for (char c : text) {
    out += c;
    if (c == '\'') out += '\'';
  }
  return out + "'";
}

std::string Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::string Upper(std::string s) {
  for (char& c : s)
    if (c >= 'a' && c <= 'z') c = char(c - 'a' + 'A');
  return s;
}

WindowDefinition ListDefinition(int rows, bool scrollBar, bool query) {
  WindowDefinition def("Browse Items");
  def.Size(320, 30 + 10 * rows + 20).Resizable();
  def.List("?LIST",
           "80L(2)|M~Code~@s20@120L(2)|M~Name~@s40@64R(2)|M~Price~@n-14.2@40R(2)|M~Qty~@n-7@")
      .At(4, 4, 300, 10 + 10 * rows)
      .Immediate()
      .ScrollBar(scrollBar);
  const int y = 20 + 10 * rows;
  def.Button("?INSERT", "&Insert").At(4, y, 40, 14);
  def.Button("?CHANGE", "&Change").At(48, y, 40, 14);
  def.Button("?DELETE", "&Delete").At(92, y, 40, 14);
  def.Button("?VIEW", "&View").At(136, y, 40, 14);
  def.Button("?SELECT", "&Select").At(180, y, 40, 14);
  def.Button("?CLOSE", "&Close").At(224, y, 40, 14);
  if (query) {
    def.Button("?QUERY", "&Query").At(268, y, 40, 14);
    def.Prompt("?QUERYRESULT", "").At(4, y + 16, 300, 10);
  }
  return def;
}

}  // namespace

const FieldTable& ItemRowFields() {
  static const FieldTable fields = FieldTable::For<ItemRow>({
      KV_FIELD(ItemRow, CODE, "ROW:CODE", "@s20", ""),
      KV_FIELD(ItemRow, NAME, "ROW:NAME", "@s40", ""),
      KV_FIELD(ItemRow, PRICE, "ROW:PRICE", "@n-14.2", ""),
      KV_FIELD(ItemRow, QTY, "ROW:QTY", "@n-7", ""),
      KV_FIELD(ItemRow, VIEWPOSITION, "ROW:VIEWPOSITION", "@s255", ""),
  });
  return fields;
}

std::vector<Db> Dbs() {
  const bool pg = !Env("PGHOST").empty() && !Env("PGDATABASE").empty();
  return {{"sqlite", true}, {"postgres", pg}};
}

std::string DbName(const ::testing::TestParamInfo<Db>& info) {
  return info.param.name;
}

bool PostgresRequired() {
  return Env("KORVANDEL_REQUIRE_PG") == "1";
}

std::string ItemsName() {
  return "\"" + TableName() + "\"";
}

const TableDecl& ItemsDecl(const Db& db) {
  static std::mutex lock;
  static std::map<std::string, std::unique_ptr<TableDecl>> decls;
  std::lock_guard guard(lock);
  std::unique_ptr<TableDecl>& d = decls[db.name];
  if (!d) {
    d = std::make_unique<TableDecl>("BrItems", TableName(), kSqlDriver, ItemLayout());
    d->SetOwnerText(OwnerOf(db));
    d->AddKey({"BRI:PK_Code", "", {{0, true}}, false, false, true});
    d->AddKey({"BRI:ByQty", "", {{3, false}, {0, true}}, true, false, false});
    d->AddKey({"BRI:ByName", "", {{1, true}}, true, true, false});
    d->AddKey({"BRI:ByNameDown", "", {{1, false}, {0, true}}, false, false, false});
  }
  return *d;
}

// Runs `sql`, collecting the first column of the rows it selects into `rows` (when given).
bool QueryOn(const Db& db, const std::string& sql, std::vector<std::string>* rows,
             std::string* failure);

std::string ExecOn(const Db& db, const std::string& sql) {
  std::string result;
  (void)QueryOn(db, sql, nullptr, &result);
  return result;
}

std::vector<std::string> SelectOn(const Db& db, const std::string& sql) {
  std::vector<std::string> rows;
  std::string error;
  if (!QueryOn(db, sql, &rows, &error)) return {"error: " + error};
  return rows;
}

bool QueryOn(const Db& db, const std::string& sql, std::vector<std::string>* rows,
             std::string* failure) {
  ConnectionTarget target;
  StorageError error;
  if (!ResolveOwner(OwnerOf(db), &target, &error)) {
    *failure = error.driverText;
    return false;
  }
  static std::atomic<int> counter{0};
  const QString name = QString("br-direct-%1").arg(counter++);
  std::string result;
  {
    QSqlDatabase c = QSqlDatabase::addDatabase(QString::fromStdString(target.qtDriver), name);
    c.setDatabaseName(QString::fromStdString(target.databaseName));
    if (!target.host.empty()) c.setHostName(QString::fromStdString(target.host));
    if (target.port > 0) c.setPort(target.port);
    if (!target.user.empty()) c.setUserName(QString::fromStdString(target.user));
    if (!target.password.empty()) c.setPassword(QString::fromStdString(target.password));
    if (!c.open()) {
      result = c.lastError().text().toStdString();
    } else {
      (void)AddSqliteFolding(c);  // indexes of the program's tables use its functions
      QSqlQuery q(c);
      if (!q.exec(QString::fromStdString(sql))) {
        result = q.lastError().text().toStdString();
      } else if (rows != nullptr) {
        while (q.next()) rows->push_back(Trimmed(q.value(0).toString().toStdString()));
      }
    }
    c.close();
  }
  QSqlDatabase::removeDatabase(name);
  *failure = result;
  return result.empty();
}

std::string Join(const std::vector<std::string>& rows) {
  std::string out;
  for (const std::string& r : rows) out += (out.empty() ? "" : " ") + r;
  return out;
}

// ---- ItemsFile ----------------------------------------------------------------------------------

void ItemsFile::Init() {
  INITIALIZED = false;
  FILE = &decl_.Instance();
  BUFFER = RecordBuffer::Of(*FILE);
  FILENAMEVALUE = "Items";
  SetErrors(&errors_);
  FileManager::Init();
}

ResultLevel ItemsFile::PrepareUse(UseKind kind) {
  if (kind != Initialize) {
    (void)PrepareUse(Initialize);
  } else if (!INITIALIZED) {
    INUSEFILE = true;
    InitFile(&decl_.Instance(), &errors_);
    (void)AddKey(kKeyCode, "Item code");
    (void)AddKey(kKeyQty, "Quantity");
    (void)AddKey(kKeyName, "Name");
    (void)AddKey(kKeyNameDown, "Name descending");
  }
  return FileManager::PrepareUse(kind);
}

ErrorCode TestBrowse::RegetAt(const std::string& position) {
  if (noReget) return kNotSupportedError;
  return BrowseManager::RegetAt(position);
}

// ---- ItemsBrowse --------------------------------------------------------------------------------

ItemsBrowse::ItemsBrowse(ItemsFile& f, RelationManager& relations, ErrorManager& errors,
                         BrowseSetup setup)
    : file(f), relations(relations), errors_(errors), setup_(std::move(setup)) {}

ResultLevel ItemsBrowse::Init() {
  REQUEST = setup_.request;
  if (ResultLevel r = WindowManager::Init(); r != Benign) return r;
  VCRREQUEST = &vcr;
  ERRORS = &errors_;
  AddItem(kClose, REQUEST == SelectRecord ? RequestCancelled : RequestCompleted);
  (void)relations.Open();
  FILESOPENED = 1;
  queue = std::make_unique<RowQueue>(ItemRowFields(), &row);
  view = std::make_unique<View>(*file.FILE);
  browse.Init(kList, VarRef(row.VIEWPOSITION), *view, *queue, relations, *this);
  browse.ASKPROCEDURE = setup_.form ? 1 : 0;
  if (setup_.buttons) {
    browse.INSERTCONTROL = kInsert;
    browse.CHANGECONTROL = kChange;
    browse.DELETECONTROL = kDelete;
    browse.VIEWCONTROL = kViewButton;
    browse.SELECTCONTROL = kSelect;
  }
  Open(ListDefinition(setup_.visibleRows, setup_.scrollBar, setup_.queryControls));
  ThumbStep* step = nullptr;
  if (setup_.step == Step::kNumeric) step = &numericStep;
  if (setup_.step == Step::kText) step = &textStep;
  browse.AddSortOrder(step, setup_.key);
  if (setup_.locator) {
    locator.Init(0, browse.CurrentSort()->FREEELEMENT, setup_.noCase ? 1 : 0, browse);
    browse.AddLocator(&locator);
  }
  ItemRec& rec = file.Rec();
  browse.AddField(rec.CODE, row.CODE);
  browse.AddField(rec.NAME, row.NAME);
  browse.AddField(VarRef(rec.PRICE), VarRef(row.PRICE));
  browse.AddField(rec.QTY, row.QTY);
  if (setup_.configure) setup_.configure(browse);
  SetAlerts();
  if (windowOut != nullptr) *windowOut = MYWINDOW.Id();
  return Benign;
}

ResultLevel ItemsBrowse::Kill() {
  if (codesOut != nullptr && MYWINDOW.IsOpen()) {
    codesOut->clear();
    for (int r = 1; r <= MYWINDOW.RowCount(kList); ++r)
      codesOut->push_back(Trimmed(MYWINDOW.Row(kList, r).at(0)));
  }
  if (ResultLevel r = WindowManager::Kill(); r != Benign) return r;
  locator.Kill();
  if (FILESOPENED) (void)relations.Close();
  return Benign;
}

ResponseCode ItemsBrowse::Run(std::uint16_t number, RequestCode request) {
  (void)WindowManager::Run(number, request);
  requests.push_back(request);
  return setup_.form ? setup_.form(request, *this) : RequestCancelled;
}

ResultLevel ItemsBrowse::TakeEvent() {
  if (CurrentEvent().code == kEventWork) {
    std::vector<std::function<void(ItemsBrowse&)>> todo;
    {
      std::lock_guard guard(workLock);
      todo.swap(work);
    }
    for (auto& fn : todo) fn(*this);
  }
  // The work event then goes the way of any program event (components, ResetRequired).
  return WindowManager::TakeEvent();
}

// ---- BrowseSession ------------------------------------------------------------------------------

BrowseSession::BrowseSession(const Db& db, ErrorManager& errors, HeadlessBackend& backend,
                             BrowseSetup setup)
    : backend_(backend) {
  const TableDecl& decl = ItemsDecl(db);
  thread_ = std::make_unique<ThreadProcedure>([this, &decl, &errors, setup] {
    ItemsFile file(decl, errors);
    file.Init();
    RelationManager relations;
    relations.Init(file, false);
    (void)file.PrepareUse(Initialize);
    file.FILE->Decl().Layout().Clear(file.FILE->Record());
    if (!setup.load.code.empty()) {
      file.Rec().CODE = setup.load.code;
      (void)file.TryFetch(kKeyCode);
    }
    {
      ItemsBrowse procedure(file, relations, errors, setup);
      procedure.windowOut = &window;
      procedure.codesOut = &final;
      procedure_ = &procedure;
      response = procedure.Run();
      procedure_ = nullptr;
    }
    const ItemRec& r = file.Rec();
    buffer = Item{std::string(r.CODE.Clipped()), std::string(r.NAME.Clipped()), r.QTY};
    relations.Kill();
    file.Kill();
    ForgetThreadConnections();
    std::lock_guard lock(EventHub::Instance().Lock());
    done_ = true;
    EventHub::Instance().WakeWaiters();
  });
  EventHub::Instance().WaitSettledOr(std::chrono::seconds(30),
                                     [this] { return done_.load() || window.load() != 0; });
  EXPECT_TRUE(Settle());
}

BrowseSession::~BrowseSession() {
  Finish();
}

void BrowseSession::Do(const std::function<void(ItemsBrowse&)>& fn) {
  ItemsBrowse* p = procedure_.load();
  ASSERT_NE(p, nullptr) << "the list is not running";
  {
    std::lock_guard guard(p->workLock);
    p->work.push_back(fn);
  }
  ASSERT_TRUE(Win().Post(kEventWork));
  ASSERT_TRUE(Settle());
}

std::vector<std::string> BrowseSession::Codes() const {
  std::vector<std::string> out;
  const Window w = Win();
  for (int r = 1; r <= w.RowCount(kList); ++r) {
    std::vector<std::string> cells = w.Row(kList, r);
    out.push_back(cells.empty() ? std::string() : Trimmed(cells[0]));
  }
  return out;
}

int BrowseSession::Choice() const {
  return Win().Choice(kList);
}

void BrowseSession::Finish() {
  if (!thread_) return;
  // What is under way ends first (a selection that closes the window); then the window is
  // closed as the user would.
  for (int round = 0; round < 10 && !done_; ++round) {
    const bool settled = EventHub::Instance().WaitSettledOr(std::chrono::seconds(30),
                                                            [this] { return done_.load(); });
    if (done_ || !settled) continue;
    if (Win().IsOpen() && !backend_.Pending()) {
      (void)Win().Post(kEventCloseWindow);
      continue;
    }
    if (std::optional<HeadlessBackend::ShownModal> p = backend_.Pending()) {
      ADD_FAILURE() << "the list waits on \"" << p->message.caption << "\"";
      (void)backend_.AnswerPending(p->message.defaultButton);
    }
  }
  thread_->Join();
  thread_.reset();
}

// ---- BrowseTest ---------------------------------------------------------------------------------

void BrowseTest::SetUp() {
  if (!D().available) {
    if (PostgresRequired()) FAIL() << "PostgreSQL is required (PGHOST/PGDATABASE not set)";
    GTEST_SKIP() << "PGHOST/PGDATABASE not set";
  }
  InstallBackend(&backend);
  ClearLastError();
  errors.Init(status);
  (void)ExecOn(D(), "DROP TABLE IF EXISTS " + ItemsName());
  // The file manager creates the table from its declaration on the first open.
  const TableDecl& decl = ItemsDecl(D());
  ThreadProcedure create([&] {
    ItemsFile file(decl, errors);
    file.Init();
    (void)file.Open();
    (void)file.PrepareUse(UseRecord);
    (void)file.Close();
    file.Kill();
    ForgetThreadConnections();
  });
  create.Join();
  ready = true;
}

void BrowseTest::TearDown() {
  errors.Kill();
  InstallBackend(nullptr);
}

void BrowseTest::Load(const std::vector<Item>& list) {
  ASSERT_EQ(ExecOn(D(), "DELETE FROM " + ItemsName()), "");
  items.clear();
  for (std::size_t start = 0; start < list.size(); start += 500) {
    std::ostringstream sql;
    sql << "INSERT INTO " << ItemsName() << " (\"Code\", \"Name\", \"Price\", \"Qty\") VALUES ";
    for (std::size_t i = start; i < std::min(list.size(), start + 500); ++i) {
      const Item& it = list[i];
      sql << (i == start ? "" : ", ") << "(" << Quoted(it.code) << ", " << Quoted(it.name)
          << ", 1.50, " << it.qty << ")";
      items[it.code] = it;
    }
    ASSERT_EQ(ExecOn(D(), sql.str()), "");
  }
}

std::vector<Item> BrowseTest::Numbered(int n, const std::string& prefix) {
  std::vector<Item> out;
  for (int i = 1; i <= n; ++i) {
    char code[32], name[32];
    std::snprintf(code, sizeof code, "%s%05d", prefix.c_str(), i);
    std::snprintf(name, sizeof name, "Name%05d", i);
    out.push_back({code, name, n - i + 1});
  }
  return out;
}

void BrowseTest::Insert(const Item& it) {
  ASSERT_EQ(ExecOn(D(), "INSERT INTO " + ItemsName() +
                            " (\"Code\", \"Name\", \"Price\", \"Qty\") VALUES (" + Quoted(it.code) +
                            ", " + Quoted(it.name) + ", 1.50, " + std::to_string(it.qty) + ")"),
            "");
  items[it.code] = it;
}

void BrowseTest::Remove(const std::string& code) {
  ASSERT_EQ(ExecOn(D(), "DELETE FROM " + ItemsName() + " WHERE \"Code\" = " + Quoted(code)), "");
  items.erase(code);
}

void BrowseTest::Rename(const std::string& code, const std::string& name) {
  ASSERT_EQ(ExecOn(D(), "UPDATE " + ItemsName() + " SET \"Name\" = " + Quoted(name) +
                            " WHERE \"Code\" = " + Quoted(code)),
            "");
  items[code].name = name;
}

std::vector<std::string> BrowseTest::Sorted(int key) const {
  std::vector<Item> all;
  for (const auto& [code, it] : items) all.push_back(it);
  std::sort(all.begin(), all.end(), [key](const Item& a, const Item& b) {
    if (key == kKeyQty && a.qty != b.qty) return a.qty > b.qty;
    if (key == kKeyName && Upper(a.name) != Upper(b.name)) return Upper(a.name) < Upper(b.name);
    if (key == kKeyNameDown && a.name != b.name) return a.name > b.name;
    return a.code < b.code;
  });
  std::vector<std::string> out;
  for (const Item& it : all) out.push_back(it.code);
  return out;
}

std::string BrowseTest::Pending() {
  std::optional<HeadlessBackend::ShownModal> p = backend.Pending();
  return p ? p->message.caption : std::string();
}

bool BrowseTest::Answer(int button) {
  return backend.AnswerPending(button);
}

std::vector<std::string> BrowseTest::Captions() {
  std::vector<std::string> out;
  for (const HeadlessBackend::ShownModal& m : backend.ShownModals())
    if (!m.isMenu) out.push_back(m.message.caption);
  return out;
}

}  // namespace kv::test
