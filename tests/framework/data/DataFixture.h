#pragma once

// The databases the file-manager suite runs on, the tables it declares, a file manager derived
// the way the program derives its table managers, and a test base with an error manager whose
// message boxes are scripted.

#include <gtest/gtest.h>

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <ostream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

#include "framework/data/FileManager.h"
#include "framework/errors/ErrorManager.h"
#include "platform/storage/FieldTableLayout.h"
#include "platform/storage/TableDecl.h"
#include "tests/framework/errors/ScriptedModal.h"

namespace kv::testing {

// Items: a products-like table. Key 1 "ITM:PK_Code" (CODE, primary), key 2 "ITM:ByName"
// (NAME, unique, case-blind), key 3 "ITM:ByProvider" (PROVIDER descending, CODE; duplicates).
struct ItemRec {
  String<20> CODE;
  String<40> NAME;
  Decimal<11, 2> PRICE;
  Long PROVIDER;
};
// Lines: numbered records. Key 1 "LIN:PK_Id" (ID, primary, auto-numbered), key 2
// "LIN:ByGroup" (GRP, SEQ; unique, SEQ numbered within GRP), key 3 "LIN:ByText" (TEXT, unique).
struct LineRec {
  Long ID;
  String<10> GRP;
  Short SEQ;
  String<30> TEXT;
};

const FieldTableLayout& ItemLayout();
const FieldTableLayout& LineLayout();

struct Backend {
  std::string name;  // "sqlite" or "postgres"
  bool available = true;
  std::string why;
};
std::vector<Backend> Backends();
inline void PrintTo(const Backend& b, std::ostream* os) {
  *os << b.name;
}
std::string BackendName(const ::testing::TestParamInfo<Backend>& info);

// An empty database for `backend`, with `tables` dropped. False (why) when unavailable.
bool PrepareBackend(const Backend& backend, const std::vector<std::string>& tables,
                    std::string* why);
// The owner string reaching the backend (as another user when given).
std::string OwnerFor(const Backend& backend, const std::string& user = {},
                     const std::string& password = {});
// Runs SQL directly on the backend as its administrator; returns the error text, "" on success.
std::string ExecDirect(const Backend& backend, const std::string& sql);
// The rows a query answers, directly on the backend: each row's values joined with "|", NULL
// written as "NULL". A failed query gives one row "ERROR: " and the error text.
std::vector<std::string> QueryDirect(const Backend& backend, const std::string& sql);

// Another station's connection on a thread of its own: it runs `statements` (typically a
// transaction it leaves open) and keeps what they lock until Release, its destruction, or
// `hold` has passed; then it rolls back and disconnects.
class LockHolder {
 public:
  LockHolder(const Backend& backend, std::vector<std::string> statements,
             std::chrono::milliseconds hold);
  ~LockHolder();
  LockHolder(const LockHolder&) = delete;
  LockHolder& operator=(const LockHolder&) = delete;
  // Waits until the statements ran; the error text of the first that failed, "" when all ran.
  std::string Ready();
  void Release();

 private:
  std::mutex mutex_;
  std::condition_variable changed_;
  bool ready_ = false;
  bool release_ = false;
  std::string error_;
  std::thread thread_;
};
bool PostgresRequired();

// Table names unique to this test process: ctest runs test cases as parallel processes against
// one PostgreSQL database.
std::string UniqueName(const std::string& base);
std::string ItemsTable();   // "FmItems_<pid>"
std::string SharedTable();  // "FmShared_<pid>"
std::string LinesTable();   // "FmLines_<pid>"

// Declarations of the test tables on an owner; `threaded` false gives one shared instance.
std::unique_ptr<TableDecl> MakeItems(const std::string& owner, bool threaded = true,
                                     const std::string& name = ItemsTable());
std::unique_ptr<TableDecl> MakeLines(const std::string& owner);

// A table's file manager as the program derives one: lazy initialisation on the first
// PrepareUse(Initialize), keys declared then. Validation can be scripted per field, and the
// add/change/delete hooks are counted and can veto.
class TestFileManager : public FileManager {
 public:
  struct KeySpec {
    int key;
    const char* description;
    int autoInc;
  };
  TestFileManager(const TableDecl& decl, ErrorManager& errors, std::vector<KeySpec> keys,
                  std::string name);
  ~TestFileManager() override;

  void Init() override;
  void Kill() override;
  ResultLevel PrepareUse(UseKind kind) override;
  ResultLevel CheckField(int fieldNo, bool report) override;
  bool BeforeAdd(int code, void* record, std::size_t size) override;
  bool BeforeChange(int code, void* record, const void* oldRecord, std::size_t size) override;
  bool BeforeDelete(int code) override;

  template <class R>
  R& Rec() {
    return *static_cast<R*>(BUFFER.address);
  }

  bool create = true;
  int rejectField = 0;                     // CheckField answers User for this field (0: none)
  int adds = 0, changes = 0, deletes = 0;  // Before hooks seen
  bool vetoAdds = false;
  int initFiles = 0;  // InitFile runs

 private:
  const TableDecl& decl_;
  ErrorManager& errors_;
  std::vector<KeySpec> keys_;
  std::string name_;
};

// An error manager whose fatal messages are shown and answered like any other instead of
// ending the test program, so that the suite can see them.
class RecordingErrors : public ErrorManager {
 public:
  ResultLevel OnFatal() override;
};

// A test with an initialised error manager on an adopted logical thread, scripted message
// boxes, and a backend prepared with the suite's tables.
class DataTest : public ::testing::TestWithParam<Backend> {
 protected:
  void SetUp() override;
  void TearDown() override;
  const Backend& B() const { return GetParam(); }
  // Titles (captions) of the boxes shown so far.
  std::vector<std::string> Captions() const;
  std::string LastText() const;

  ScriptedModal modal;
  ErrorStatus status;
  RecordingErrors errors;
  std::string owner;
  bool ready = false;
};

}  // namespace kv::testing
