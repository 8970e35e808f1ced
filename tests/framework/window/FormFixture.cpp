#include "tests/framework/window/FormFixture.h"

#include <unistd.h>

#include <cstdlib>

#include <ostream>

#include "platform/RuntimeError.h"
#include "platform/qt/sql/SqlConnection.h"
#include "platform/window/EventHub.h"
#include "platform/window/EventLoop.h"
#include "platform/window/KeyCode.h"
#include "platform/window/VariableBinding.h"
#include "platform/window/Window.h"

namespace kv::test {

namespace {

const FieldTableLayout& PartLayout() {
  static const FieldTable fields = FieldTable::For<PartRec>({
      KV_FIELD(PartRec, CODE, "PRT:CODE", "@s10", "Code"),
      KV_FIELD(PartRec, NAME, "PRT:NAME", "@s30", "Name"),
      KV_FIELD(PartRec, QTY, "PRT:QTY", "@n-7", "Qty"),
  });
  static const FieldTableLayout layout(fields);
  return layout;
}

const FieldTable& PartsFields() {
  return PartLayout().Fields();
}

// A thread's database connection is released before the thread ends, not by its thread-local
// destructor, which may run after the program's own exit has torn the SQL layer down.
void ReleaseConnections() {
  ForgetThreadConnections();
}

WindowDefinition FormDefinition() {
  WindowDefinition def("Form Parts");
  def.Size(220, 120);
  def.Entry("?PRT:CODE", "s10").At(60, 10, 60, 10);
  def.Entry("?PRT:NAME", "s30").At(60, 25, 120, 10);
  def.Entry("?PRT:QTY", "n-7").At(60, 40, 40, 10);
  def.Button("?OK", "&OK").At(10, 95, 45, 14);
  def.Button("?CANCEL", "&Cancel").At(60, 95, 45, 14);
  def.Button("?SAVE", "&Save").At(110, 95, 45, 14);
  return def;
}

}  // namespace

void PrintTo(const Part& p, std::ostream* os) {
  *os << "{" << p.code << ", " << p.name << ", " << p.qty << "}";
}

namespace {
std::mutex gOwnerMutex;
std::string gPartsOwner = ",formsuite";  // guarded by gOwnerMutex
}  // namespace

void SetPartsOwner(const std::string& owner) {
  std::lock_guard lock(gOwnerMutex);
  gPartsOwner = owner.empty() ? ",formsuite" : owner;
}

const TableDecl& PartsDecl() {
  static const std::unique_ptr<TableDecl> decl = [] {
    auto d = std::make_unique<TableDecl>("FormParts", "FormParts_" + std::to_string(::getpid()),
                                         kSqlDriver, PartLayout());
    d->SetOwner([] {
      std::lock_guard lock(gOwnerMutex);
      return gPartsOwner;
    });
    d->AddKey({"PRT:PK_Code", "", {{0, true}}, false, false, true});
    return d;
  }();
  return *decl;
}

const TableDecl& NumberedPartsDecl() {
  static const std::unique_ptr<TableDecl> decl = [] {
    auto d = std::make_unique<TableDecl>(
        "FormNumbered", "FormNumbered_" + std::to_string(::getpid()), kSqlDriver, PartLayout());
    d->SetOwner([] {
      std::lock_guard lock(gOwnerMutex);
      return gPartsOwner;
    });
    d->AddKey({"PRT:PK_Qty", "", {{2, true}}, false, false, true});
    return d;
  }();
  return *decl;
}

Part ToPart(const PartRec& r) {
  return Part{std::string(r.CODE.Clipped()), std::string(r.NAME.Clipped()), r.QTY};
}

void FromPart(const Part& p, PartRec* r) {
  r->CODE.Assign(p.code);
  r->NAME.Assign(p.name);
  r->QTY = p.qty;
}

// ---- PartsFile --------------------------------------------------------------------------------

void PartsFile::Init() {
  INITIALIZED = false;
  numbered_ = numbered;
  FILE = &Decl().Instance();
  BUFFER = RecordBuffer::Of(*FILE);
  FILENAMEVALUE = "Parts";
  SetErrors(&errors_);
  FileManager::Init();
}

ResultLevel PartsFile::PrepareUse(UseKind kind) {
  if (kind != Initialize) {
    (void)PrepareUse(Initialize);
  } else if (!INITIALIZED) {
    INUSEFILE = true;
    InitFile(&Decl().Instance(), &errors_);
    if (numbered_) {
      (void)AddKey(1, "Part number", 1);
    } else {
      (void)AddKey(1, "Part code");
    }
  }
  return FileManager::PrepareUse(kind);
}

ResultLevel PartsFile::CheckField(int fieldNo, bool report) {
  if (fieldNo == rejectField) return User;
  return FileManager::CheckField(fieldNo, report);
}

std::atomic<int> PartsFile::writes{0};
std::atomic<int> PartsFile::refuseDeletes{0};
std::atomic<bool> PartsFile::numbered{false};

bool PartsFile::BeforeAdd(int, void*, std::size_t) {
  ++writes;
  return true;
}
bool PartsFile::BeforeChange(int, void*, const void*, std::size_t) {
  ++writes;
  return true;
}
bool PartsFile::BeforeDelete(int) {
  if (refuseDeletes > 0) {
    --refuseDeletes;
    return false;
  }
  ++writes;
  return true;
}

void OnOtherThread(ErrorManager& errors, const std::function<void(PartsFile&)>& body) {
  ThreadProcedure thread([&] {
    PartsFile file(errors);
    file.Init();
    (void)file.Open();
    body(file);
    (void)file.Close();
    file.Kill();
    ReleaseConnections();
  });
  thread.Join();
}

std::vector<Part> ReadParts(ErrorManager& errors) {
  std::vector<Part> parts;
  OnOtherThread(errors, [&](PartsFile& f) {
    if (f.PrepareUse(UseRecord) != Benign) return;
    (void)f.FILE->SetKey(1);
    while (f.TryNext() == Benign) parts.push_back(ToPart(f.Rec()));
  });
  return parts;
}

void WriteParts(ErrorManager& errors, const std::vector<Part>& parts) {
  OnOtherThread(errors, [&](PartsFile& f) {
    if (f.PrepareUse(UseRecord) != Benign) return;
    (void)f.FILE->SetKey(1);
    while (f.TryNext() == Benign) (void)f.FILE->Delete();
    for (const Part& p : parts) {
      f.FILE->Decl().Layout().Clear(f.FILE->Record());
      FromPart(p, &f.Rec());
      (void)f.TryInsert();
    }
  });
}

// ---- PartsForm --------------------------------------------------------------------------------

PartsForm::PartsForm(PartsFile& file, RelationManager& relations, ErrorManager& errors,
                     FormSetup setup)
    : file_(file), relations_(relations), errors_(errors), setup_(std::move(setup)) {}

ResultLevel PartsForm::Init() {
  REQUEST = setup_.request;
  if (ResultLevel r = WindowManager::Init(); r != Benign) return r;
  FIRSTFIELD = kCode;
  VCRREQUEST = &vcrRequest_;
  ERRORS = &errors_;
  if (setup_.toolbar) AddItem(toolbar_);
  HISTORYKEY = ParseKeyName("Ctrl+H");
  AddHistoryFile(&file_.Rec(), &history_, PartsFields());
  AddHistoryField(kCode, 1);
  AddHistoryField(kName, 2);
  AddHistoryField(kQty, 3);
  AddUpdateFile(file_);
  AddItem(kCancel, RequestCancelled);
  (void)relations_.Open();
  FILESOPENED = 1;
  PRIMARY = &relations_;
  CHANGEACTION = 2;
  CANCELACTION = 2;
  OKCONTROL = kOk;
  if (setup_.saveButton) SAVECONTROL = kSave;
  if (setup_.configure) setup_.configure(*this);
  if (REQUEST != ViewRecord && PrimeUpdate() != Benign) return Notify;
  Open(FormDefinition());
  BindControl(MYWINDOW, kCode, VarRef(file_.Rec().CODE));
  BindControl(MYWINDOW, kName, VarRef(file_.Rec().NAME));
  BindControl(MYWINDOW, kQty, VarRef(file_.Rec().QTY));
  if (REQUEST == ViewRecord) {
    for (int c : {kCode, kName, kQty}) MYWINDOW.SetReadOnly(c, true);
  }
  SetAlerts();
  if (windowOut != nullptr) *windowOut = MYWINDOW.Id();
  return Benign;
}

ResultLevel PartsForm::Kill() {
  if (ResultLevel r = WindowManager::Kill(); r != Benign) return r;
  if (FILESOPENED) (void)relations_.Close();
  return Benign;
}

ResultLevel PartsForm::TakeAccepted() {
  const int control = CurrentEvent().control;
  if ((control == kCode || control == kName || control == kQty) && acceptedOut != nullptr) {
    ++*acceptedOut;
  }
  if (setup_.validate && !setup_.validate(control, file_.Rec())) {
    MYWINDOW.Select(control);
    return Notify;
  }
  ResultLevel r = WindowManager::TakeAccepted();
  if (control == kOk && REQUEST == ViewRecord && BATCHPROCESSING == 0) {
    MYWINDOW.Post(kEventCloseWindow);
  }
  return r;
}

void PartsForm::PrimeFields() {
  if (setup_.primeFields) setup_.primeFields(*this);
}

// ---- RunningForm ------------------------------------------------------------------------------

RunningForm::RunningForm(ErrorManager& errors, FormSetup setup, HeadlessBackend& backend)
    : backend_(backend) {
  thread_ = std::make_unique<ThreadProcedure>([this, &errors, setup] {
    PartsFile file(errors);
    file.Init();
    RelationManager relations;
    relations.Init(file, false);
    file.rejectField = setup.rejectField;
    (void)file.PrepareUse(Initialize);
    file.FILE->Decl().Layout().Clear(file.FILE->Record());
    if (!setup.load.code.empty()) {
      FromPart(setup.load, &file.Rec());
      (void)file.TryFetch(1);
    }
    if (PartsFile::numbered && setup.request == InsertRecord && file.PrimeRecord(false) != Benign) {
      ADD_FAILURE() << "the new part was not numbered";
    }
    {
      PartsForm form(file, relations, errors, setup);
      form.windowOut = &window;
      form.acceptedOut = &accepted;
      response = form.Run();
      lastInserted = form.LASTINSERTEDPOSITION;
    }
    buffer = ToPart(file.Rec());
    position = file.GetPosition();
    relations.Kill();
    file.Kill();
    ReleaseConnections();
    std::lock_guard lock(EventHub::Instance().Lock());
    done_ = true;
    EventHub::Instance().WakeWaiters();
  });
}

RunningForm::~RunningForm() {
  Finish();
}

void RunningForm::Finish() {
  if (!thread_) return;
  for (int round = 0; round < 10 && !done_; ++round) {
    const bool settled = EventHub::Instance().WaitSettledOr(std::chrono::seconds(30),
                                                            [this] { return done_.load(); });
    if (done_ || !settled) continue;
    if (std::optional<HeadlessBackend::ShownModal> p = backend_.Pending()) {
      ADD_FAILURE() << "the form waits on \"" << p->message.caption << "\"";
      (void)backend_.AnswerPending(p->message.defaultButton);
    } else if (Win().IsOpen()) {
      ADD_FAILURE() << "the form is still open";
      Win().Close();
    }
  }
  thread_->Join();
}

// ---- FormTest ---------------------------------------------------------------------------------

void FormTest::SetUp() {
  InstallBackend(&backend);
  ClearLastError();
  errors.Init(status);
  WriteParts(errors, {});
}

void FormTest::TearDown() {
  errors.Kill();
  InstallBackend(nullptr);
}

bool FormTest::Settled() {
  return Settle();
}

std::string FormTest::Pending() {
  std::optional<HeadlessBackend::ShownModal> p = backend.Pending();
  return p ? p->message.caption : std::string();
}

bool FormTest::Answer(int button) {
  return backend.AnswerPending(button);
}

std::string FormTest::Trimmed(const std::string& text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) return {};
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

namespace {
std::string Env(const char* name) {
  const char* v = std::getenv(name);
  return v ? v : "";
}
}  // namespace

void FormOnEachDatabase::SetUp() {
  if (GetParam() == "postgres") {
    if (Env("PGHOST").empty() || Env("PGDATABASE").empty()) {
      if (Env("KORVANDEL_REQUIRE_PG") == "1") GTEST_FAIL() << "PostgreSQL is required";
      GTEST_SKIP() << "PGHOST/PGDATABASE not set";
    }
    SetPartsOwner("postgresql://" + Env("PGHOST") + ":" + Env("PGPORT") + "," + Env("PGDATABASE") +
                  "," + Env("PGUSER") + "," + Env("PGPASSWORD"));
  }
  FormTest::SetUp();
}

void FormOnEachDatabase::TearDown() {
  FormTest::TearDown();
  SetPartsOwner({});
}

std::vector<std::string> FormTest::Captions() {
  std::vector<std::string> out;
  for (const HeadlessBackend::ShownModal& m : backend.ShownModals()) {
    if (!m.isMenu) out.push_back(m.message.caption);
  }
  return out;
}

}  // namespace kv::test
