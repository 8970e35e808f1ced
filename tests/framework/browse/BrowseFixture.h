#pragma once

// A browse over a real table, run on a logical thread of its own in a headless window: the
// items table on SQLite or PostgreSQL, its file and relation managers, a list procedure set up
// the way the program's products list is, and helpers that change the table through another
// connection (another station) and keep an in-memory copy to compare with.

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "framework/browse/BrowseManager.h"
#include "framework/browse/Locator.h"
#include "framework/browse/NumericThumbStep.h"
#include "framework/browse/RowQueue.h"
#include "framework/browse/TextThumbStep.h"
#include "framework/data/FileManager.h"
#include "framework/data/RelationManager.h"
#include "framework/errors/ErrorManager.h"
#include "framework/window/WindowManager.h"
#include "platform/headless/HeadlessBackend.h"
#include "platform/storage/FieldTableLayout.h"
#include "platform/storage/TableDecl.h"
#include "platform/storage/View.h"
#include "tests/support/ThreadProcedure.h"

namespace kv::test {

// Items: key 1 "BRI:PK_Code" (CODE, primary), key 2 "BRI:ByQty" (QTY descending, CODE),
// key 3 "BRI:ByName" (NAME, case-blind, duplicates), key 4 "BRI:ByNameDown" (NAME descending,
// CODE).
struct ItemRec {
  String<20> CODE;
  String<40> NAME;
  Decimal<11, 2> PRICE;
  Long QTY;
};
// A row of the list: the four fields and the view position.
struct ItemRow {
  String<20> CODE;
  String<40> NAME;
  Decimal<11, 2> PRICE;
  Long QTY;
  String<1024> VIEWPOSITION;
};
const FieldTable& ItemRowFields();

inline constexpr int kKeyCode = 1;
inline constexpr int kKeyQty = 2;
inline constexpr int kKeyName = 3;
inline constexpr int kKeyNameDown = 4;

// An item as the tests compare it.
struct Item {
  std::string code;
  std::string name;
  int qty = 0;
  bool operator==(const Item&) const = default;
};

struct Db {
  std::string name;  // "sqlite" or "postgres"
  bool available = true;
};
std::vector<Db> Dbs();
inline void PrintTo(const Db& d, std::ostream* os) {
  *os << d.name;
}
std::string DbName(const ::testing::TestParamInfo<Db>& info);
bool PostgresRequired();

// The items table of `db` (one declaration per database for the process).
const TableDecl& ItemsDecl(const Db& db);
// Runs SQL on `db` through a connection of its own (another station); "" or the error text.
std::string ExecOn(const Db& db, const std::string& sql);
// The first column of each row `sql` selects on `db` (through a connection of its own), each
// clipped of trailing blanks; {"error: ..."} when the query fails.
std::vector<std::string> SelectOn(const Db& db, const std::string& sql);
// The table's quoted external name, for SQL written by the tests.
std::string ItemsName();

// The file manager of the items table, derived as the program derives its table managers.
class ItemsFile : public FileManager {
 public:
  ItemsFile(const TableDecl& decl, ErrorManager& errors) : decl_(decl), errors_(errors) {}
  ~ItemsFile() override { FileManager::Kill(); }
  void Init() override;
  ResultLevel PrepareUse(UseKind kind) override;
  ItemRec& Rec() { return *static_cast<ItemRec*>(BUFFER.address); }

 private:
  const TableDecl& decl_;
  ErrorManager& errors_;
};

// Which thumb step the order gets.
enum class Step { kNone, kNumeric, kText };

class ItemsBrowse;

// How a test sets up its list.
struct BrowseSetup {
  int visibleRows = 5;
  int key = kKeyCode;
  Step step = Step::kNone;
  bool locator = true;
  bool noCase = true;
  bool scrollBar = true;
  bool buttons = true;         // insert, change, delete, view, select buttons wired
  bool queryControls = false;  // the window also has ?QUERY and ?QUERYRESULT (kQuery...)
  RequestCode request = 0;
  Item load;  // the record in the buffer when the procedure starts (empty code: cleared)
  // Runs after the orders, locator and fields were added, before the window opens.
  std::function<void(BrowseManager&)> configure;
  // The update procedure (child procedure 1) the list runs for its record buttons: it gets the
  // request with the record in the buffer, as a form would, and answers the response.
  std::function<ResponseCode(RequestCode, ItemsBrowse&)> form;
};

class ItemsBrowse;

// The browse manager of the list, with hooks for the tests.
class TestBrowse : public BrowseManager {
 public:
  // Every ValidateRecord call (a record read); answers 0 unless the hook says otherwise.
  std::function<int()> onRecord;
  // RegetAt answers kNotSupportedError, so RefreshRecord takes its other way.
  bool noReget = false;
  int ValidateRecord() override { return onRecord ? onRecord() : BrowseManager::ValidateRecord(); }
  // When not Benign, PrimeRecord answers it without priming (a new record refused).
  ResultLevel primeResult = Benign;
  ResultLevel PrimeRecord(bool keepBuffer) override {
    return primeResult != Benign ? primeResult : BrowseManager::PrimeRecord(keepBuffer);
  }

 protected:
  ErrorCode RegetAt(const std::string& position) override;
};

// Window controls of the list procedure, in definition order.
inline constexpr int kList = 1;
inline constexpr int kInsert = 2;
inline constexpr int kChange = 3;
inline constexpr int kDelete = 4;
inline constexpr int kViewButton = 5;
inline constexpr int kSelect = 6;
inline constexpr int kClose = 7;
inline constexpr int kQuery = 8;  // with BrowseSetup::queryControls
inline constexpr int kQueryResult = 9;

// The list procedure: a window with an immediate list and the record buttons; the browse over
// a view of the items table in key order; the locator on the order's free element.
class ItemsBrowse : public WindowManager {
 public:
  ItemsBrowse(ItemsFile& file, RelationManager& relations, ErrorManager& errors, BrowseSetup setup);
  ResultLevel Init() override;
  ResultLevel Kill() override;
  ResultLevel TakeEvent() override;
  ResponseCode Run(std::uint16_t number, RequestCode request) override;
  using WindowManager::Run;

  TestBrowse browse;
  ItemRow row{};
  std::unique_ptr<RowQueue> queue;
  std::unique_ptr<View> view;
  Locator locator;
  NumericThumbStep numericStep;
  TextThumbStep textStep;
  ItemsFile& file;
  // Work the test thread hands over (BrowseSession::Do), run between events.
  std::mutex workLock;
  std::vector<std::function<void(ItemsBrowse&)>> work;
  std::atomic<WindowId>* windowOut = nullptr;
  std::vector<std::string>* codesOut = nullptr;  // the codes shown when the procedure ended
  std::int32_t vcr = 0;                          // the thread's toolbar request
  RelationManager& relations;
  std::vector<RequestCode> requests;  // the requests the update procedure was run with

 private:
  ErrorManager& errors_;
  BrowseSetup setup_;
};

// The program event that runs handed-over work on the list's thread.
inline constexpr int kEventWork = 1100;

// A list procedure running on its own logical thread.
class BrowseSession {
 public:
  BrowseSession(const Db& db, ErrorManager& errors, HeadlessBackend& backend, BrowseSetup setup);
  ~BrowseSession();
  Window Win() const { return Window(window.load()); }
  // Runs `fn` on the list's thread and waits for the settled state (a message box the list
  // then shows stays pending).
  void Do(const std::function<void(ItemsBrowse&)>& fn);
  // The codes shown in the list, and the highlighted row.
  std::vector<std::string> Codes() const;
  int Choice() const;
  // Closes the window and waits for the procedure to end.
  void Finish();

  std::atomic<WindowId> window{0};
  std::atomic<int> response{0};
  Item buffer;                     // the record buffer when the procedure ended
  std::vector<std::string> final;  // the codes the list showed when the procedure ended

 private:
  HeadlessBackend& backend_;
  std::atomic<ItemsBrowse*> procedure_{nullptr};
  std::atomic<bool> done_{false};
  std::unique_ptr<ThreadProcedure> thread_;
};

// The headless backend, an error manager and an items table (with a copy in memory) on the
// database of the test's parameter.
class BrowseTest : public ::testing::TestWithParam<Db> {
 protected:
  void SetUp() override;
  void TearDown() override;
  const Db& D() const { return GetParam(); }

  // Replaces the table's contents with `items` (and the copy).
  void Load(const std::vector<Item>& items);
  // `n` items with codes "K00001"... and quantities n, n-1, ... (names "Name00001"...).
  static std::vector<Item> Numbered(int n, const std::string& prefix = "K");
  // Changes made by another station, applied to the table and to the copy.
  void Insert(const Item& item);
  void Remove(const std::string& code);
  void Rename(const std::string& code, const std::string& name);
  // The copy's codes in the order of `key` (byte order, as the views order).
  std::vector<std::string> Sorted(int key = kKeyCode) const;
  static bool Settled() { return Settle(); }
  std::string Pending();
  bool Answer(int button);
  std::vector<std::string> Captions();

  HeadlessBackend backend;
  ErrorStatus status;
  ErrorManager errors;
  std::map<std::string, Item> items;  // by code
  bool ready = false;
};

// `rows` as a string for messages: "A1 A2 A3".
std::string Join(const std::vector<std::string>& rows);

}  // namespace kv::test
