#pragma once

// A form on a real SQLite table, run on a logical thread of its own on the headless backend:
// the table of parts, its file and relation managers as the program derives them, a form
// procedure configured the way the program's update form is, and helpers that read and change
// the table from other threads (another station).

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "framework/data/FileManager.h"
#include "framework/data/RelationManager.h"
#include "framework/errors/ErrorManager.h"
#include "framework/window/ToolbarManager.h"
#include "framework/window/WindowManager.h"
#include "platform/headless/HeadlessBackend.h"
#include "platform/storage/FieldTableLayout.h"
#include "platform/storage/TableDecl.h"
#include "platform/values/FixedText.h"
#include "platform/values/Numbers.h"
#include "tests/support/ThreadProcedure.h"

namespace kv::test {

// Parts: key 1 "PRT:PK_Code" (CODE, primary, unique). The numbered parts table has the same
// fields with key 1 "PRT:PK_Qty" (QTY, primary, unique) numbered automatically.
struct PartRec {
  String<10> CODE;
  String<30> NAME;
  Long QTY;
};

// A part as the tests compare it: code and name clipped.
struct Part {
  std::string code;
  std::string name;
  int qty = 0;
  bool operator==(const Part&) const = default;
};
void PrintTo(const Part& p, std::ostream* os);

// The parts table, on the SQLite database ",formsuite" unless SetPartsOwner names another
// database (the empty owner gives SQLite back); the owner is taken when the table is opened.
const TableDecl& PartsDecl();
const TableDecl& NumberedPartsDecl();
void SetPartsOwner(const std::string& owner);
Part ToPart(const PartRec& r);
void FromPart(const Part& p, PartRec* r);

// The parts file manager: lazy set-up on the first use, as the program's table managers do.
// Field `rejectField` fails validation (level User) when set.
class PartsFile : public FileManager {
 public:
  explicit PartsFile(ErrorManager& errors) : errors_(errors) {}
  ~PartsFile() override { FileManager::Kill(); }
  void Init() override;
  ResultLevel PrepareUse(UseKind kind) override;
  ResultLevel CheckField(int fieldNo, bool report) override;
  bool BeforeAdd(int code, void* record, std::size_t size) override;
  bool BeforeChange(int code, void* record, const void* oldRecord, std::size_t size) override;
  bool BeforeDelete(int code) override;
  PartRec& Rec() { return *static_cast<PartRec*>(BUFFER.address); }

  int rejectField = 0;
  // Records added, written back or deleted by any parts file manager (all threads).
  static std::atomic<int> writes;
  // While above 0, each delete is refused by the table (and counts it down).
  static std::atomic<int> refuseDeletes;
  // Parts file managers initialised while this is set work on the numbered parts table; an
  // insert form on it is primed by its caller (PrimeRecord), as a list does, so the form opens
  // on a record already added with its number.
  static std::atomic<bool> numbered;

 private:
  const TableDecl& Decl() const { return numbered_ ? NumberedPartsDecl() : PartsDecl(); }
  ErrorManager& errors_;
  bool numbered_ = false;
};

// Runs `body` with a parts file manager on a new logical thread and waits for it.
void OnOtherThread(ErrorManager& errors, const std::function<void(PartsFile&)>& body);
// Every part in code order (read on another thread).
std::vector<Part> ReadParts(ErrorManager& errors);
// Replaces the table's contents.
void WriteParts(ErrorManager& errors, const std::vector<Part>& parts);

// Window controls of the form, in definition order.
inline constexpr int kCode = 1;
inline constexpr int kName = 2;
inline constexpr int kQty = 3;
inline constexpr int kOk = 4;
inline constexpr int kCancel = 5;
inline constexpr int kSave = 6;

// How a test sets up its form, applied in Init after the defaults; `load` is the part the
// caller has in the record buffer when it runs the form (as a list leaves the highlighted
// record there); an empty code leaves a cleared buffer.
struct FormSetup {
  RequestCode request = ChangeRecord;
  Part load;
  std::function<void(WindowManager&)> configure;  // actions, buttons, history
  std::function<void(WindowManager&)> primeFields;
  bool toolbar = true;      // the program's procedures all have one
  bool saveButton = false;  // SAVECONTROL := kSave
  int rejectField = 0;      // the parts file's validation fails for this field
  // Field validation of the form when a control is accepted: false selects the control and
  // consumes the event (which stops accept-all).
  std::function<bool(int control, const PartRec& record)> validate;
};

// The update form: entries bound to the parts record, OK, Cancel (a cancel button) and a save
// button; field history on the three entries with Ctrl+H; the parts file is an update file.
class PartsForm : public WindowManager {
 public:
  PartsForm(PartsFile& file, RelationManager& relations, ErrorManager& errors, FormSetup setup);
  ResultLevel Init() override;
  ResultLevel Kill() override;
  ResultLevel TakeAccepted() override;
  void PrimeFields() override;
  PartsFile& File() { return file_; }

  std::atomic<WindowId>* windowOut = nullptr;  // set when the window is open
  std::atomic<int>* acceptedOut = nullptr;     // counts accepted events of the entries

 private:
  PartsFile& file_;
  RelationManager& relations_;
  ErrorManager& errors_;
  FormSetup setup_;
  ToolbarManager toolbar_;
  PartRec history_{};
  std::int32_t vcrRequest_ = 0;
};

// A form run on its own logical thread. The test acts on the window as a user, answering its
// message boxes through the headless backend; Finish waits for the form to end.
class RunningForm {
 public:
  RunningForm(ErrorManager& errors, FormSetup setup, HeadlessBackend& backend);
  ~RunningForm();
  WindowId Id() const { return window.load(); }
  Window Win() const { return Window(window.load()); }
  // Waits for the thread; the results below are then final. A form that does not end by
  // itself is a test failure, not a hang: a message box it waits on is reported and answered
  // with its default button, and a window left open is closed.
  void Finish();

  std::atomic<WindowId> window{0};
  std::atomic<int> accepted{0};  // accepted events of the entries (validation steps)
  std::atomic<int> response{0};
  Part buffer;               // the record buffer after Run returned
  std::string lastInserted;  // LASTINSERTEDPOSITION when the form ended
  std::string position;      // the buffer's position after Run returned

 private:
  HeadlessBackend& backend_;
  std::atomic<bool> done_{false};
  std::unique_ptr<ThreadProcedure> thread_;
};

// The headless backend, an error manager and an empty parts table for every test.
class FormTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;
  // Waits for the settled state. Only while the form runs: a process whose logical threads
  // have all ended never settles (use RunningForm::Finish then).
  static bool Settled();
  // The caption of the message box the form waits on ("" when none); Answer answers it (the
  // caller settles or finishes afterwards).
  std::string Pending();
  bool Answer(int button);
  // A control's text without the blanks a number picture pads it with.
  static std::string Trimmed(const std::string& text);
  // Titles of every message box shown so far.
  std::vector<std::string> Captions();

  HeadlessBackend backend;
  ErrorStatus status;
  ErrorManager errors;
};

// A form test run once on the embedded database ("sqlite") and once on the PostgreSQL server
// the PG* variables name ("postgres"; skipped when they are not set).
class FormOnEachDatabase : public FormTest, public ::testing::WithParamInterface<std::string> {
 protected:
  void SetUp() override;
  void TearDown() override;
};

}  // namespace kv::test
