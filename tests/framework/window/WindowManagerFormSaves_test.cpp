// Form save paths (framework/window/WindowManagerFormSaves.cpp) on a SQLite table.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/window/KeyCode.h"
#include "platform/window/ModalServices.h"
#include "platform/window/UserInput.h"
#include "tests/framework/window/FormFixture.h"

namespace kv::test {
namespace {

using Parts = std::vector<Part>;
using Captions = std::vector<std::string>;

const Part kAlpha{"A1", "Alpha", 1};
const Part kBeta{"B2", "Beta", 2};

// Types a whole part into the form's entries.
void TypePart(WindowId id, const Part& p) {
  ASSERT_EQ(TypeInto(id, kCode, p.code), InputStatus::kOk);
  ASSERT_EQ(TypeInto(id, kName, p.name), InputStatus::kOk);
  ASSERT_EQ(TypeInto(id, kQty, std::to_string(p.qty)), InputStatus::kOk);
}

// OK after a successful insert, by INSERTACTION: end at once, ask "Record Added", or start
// another record at once. Leaving after two records were added answers RequestCompleted and
// leaves the second record in the buffer.
TEST_F(FormTest, InsertEndsOrStartsAnotherRecordAsInsertActionSays) {
  struct Case {
    const char* name;
    std::uint8_t insertAction;
    int answer;  // to "Record Added" (0: not asked)
    bool another;
  };
  const Case cases[] = {
      {"2: complete", 2, 0, false},
      {"4, No: complete", 4, kButtonNo, false},
      {"4, Yes: another", 4, kButtonYes, true},
      {"3: another without asking", 3, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteParts(errors, {});
    FormSetup setup;
    setup.request = InsertRecord;
    setup.configure = [&c](WindowManager& w) { w.INSERTACTION = c.insertAction; };
    setup.primeFields = [](WindowManager&) {};
    RunningForm form(errors, setup, backend);
    ASSERT_TRUE(Settled());
    TypePart(form.Id(), kAlpha);
    ASSERT_EQ(Press(form.Id(), kOk), InputStatus::kOk);
    if (c.answer != 0) {
      ASSERT_TRUE(Settled());
      ASSERT_EQ(Pending(), "Record Added");
      ASSERT_TRUE(Answer(c.answer));
    }
    if (!c.another) {
      form.Finish();
      EXPECT_EQ(form.response, RequestCompleted);
      EXPECT_EQ(ReadParts(errors), Parts{kAlpha});
      continue;
    }
    ASSERT_TRUE(Settled());
    ASSERT_TRUE(form.Win().IsOpen());
    EXPECT_EQ(form.Win().Text(kCode), "") << "the new record starts from the form's start values";
    EXPECT_EQ(form.Win().Focus(), kCode);
    TypePart(form.Id(), kBeta);
    ASSERT_EQ(Press(form.Id(), kOk), InputStatus::kOk);
    ASSERT_TRUE(Settled());
    if (c.answer != 0) {
      ASSERT_EQ(Pending(), "Record Added");
      ASSERT_TRUE(Answer(kButtonYes));
      ASSERT_TRUE(Settled());
    }
    ASSERT_EQ(Press(form.Id(), kCancel), InputStatus::kOk);
    form.Finish();
    EXPECT_EQ(form.response, RequestCompleted);
    EXPECT_EQ(form.buffer, kBeta) << "the last record added is in the buffer";
    EXPECT_FALSE(form.lastInserted.empty());
    EXPECT_EQ(form.lastInserted, form.position);
    EXPECT_EQ(ReadParts(errors), (Parts{kAlpha, kBeta}));
  }
}

// A failed insert (a duplicate code) keeps the form open with the values typed and the focus
// on FIRSTFIELD; the user can correct the code and insert.
TEST_F(FormTest, FailedInsertKeepsTheFormOpenWithTheValuesTyped) {
  WriteParts(errors, {kAlpha});
  FormSetup setup;
  setup.request = InsertRecord;
  RunningForm form(errors, setup, backend);
  ASSERT_TRUE(Settled());
  const Part dup{"A1", "Another", 7};
  TypePart(form.Id(), dup);
  ASSERT_EQ(Press(form.Id(), kOk), InputStatus::kOk);
  ASSERT_TRUE(Settled());
  ASSERT_EQ(Pending(), "Duplicate Key Error");
  ASSERT_TRUE(Answer(kButtonOk));
  ASSERT_TRUE(Settled());
  ASSERT_TRUE(form.Win().IsOpen());
  EXPECT_EQ(form.Win().Text(kName), "Another");
  EXPECT_EQ(form.Win().Focus(), kCode);
  ASSERT_EQ(TypeInto(form.Id(), kCode, "C3"), InputStatus::kOk);
  ASSERT_EQ(Press(form.Id(), kOk), InputStatus::kOk);
  form.Finish();
  EXPECT_EQ(form.response, RequestCompleted);
  EXPECT_EQ(ReadParts(errors), (Parts{kAlpha, {"C3", "Another", 7}}));
}

// OK on a change form: an unchanged record writes nothing and completes only when the window
// has a toolbar with no pending navigation; a changed one is written. Both close.
TEST_F(FormTest, ChangeWritesOnlyAChangedRecord) {
  struct Case {
    const char* name;
    const char* newName;  // typed into the name (null: nothing typed)
    bool toolbar;
    int response;
    int writes;
    const char* stored;
  };
  const Case cases[] = {
      {"unchanged, toolbar", nullptr, true, RequestCompleted, 0, "Alpha"},
      {"unchanged, no toolbar", nullptr, false, RequestCancelled, 0, "Alpha"},
      {"same text typed again", "Alpha", true, RequestCompleted, 0, "Alpha"},
      {"changed", "Renamed", true, RequestCompleted, 1, "Renamed"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteParts(errors, {kAlpha});
    FormSetup setup;
    setup.request = ChangeRecord;
    setup.load = kAlpha;
    setup.toolbar = c.toolbar;
    RunningForm form(errors, setup, backend);
    ASSERT_TRUE(Settled());
    EXPECT_EQ(form.Win().Text(kName), "Alpha");
    const int before = PartsFile::writes;
    if (c.newName != nullptr) {
      ASSERT_EQ(TypeInto(form.Id(), kName, c.newName), InputStatus::kOk);
    }
    ASSERT_EQ(Press(form.Id(), kOk), InputStatus::kOk);
    form.Finish();
    EXPECT_EQ(form.response, c.response);
    EXPECT_EQ(PartsFile::writes - before, c.writes);
    EXPECT_EQ(ReadParts(errors), (Parts{{"A1", c.stored, 1}}));
    EXPECT_TRUE(Captions().empty());
  }
}

// A change the file refuses (its validation fails) asks "Record Update Error": Yes tries
// again, Cancel stays on FIRSTFIELD, No closes the form (which then asks whether the changes
// may be lost). Nothing is written.
TEST_F(FormTest, RefusedChangeOffersToTryAgain) {
  WriteParts(errors, {kAlpha});
  FormSetup setup;
  setup.request = ChangeRecord;
  setup.load = kAlpha;
  setup.rejectField = 2;
  RunningForm form(errors, setup, backend);
  ASSERT_TRUE(Settled());
  ASSERT_EQ(TypeInto(form.Id(), kName, "Refused"), InputStatus::kOk);
  form.Win().Select(kQty);
  ASSERT_TRUE(Settled());
  const int before = PartsFile::writes;
  ASSERT_EQ(Press(form.Id(), kOk), InputStatus::kOk);
  for (int answer : {kButtonYes, kButtonCancel}) {
    ASSERT_TRUE(Settled());
    ASSERT_EQ(Pending(), "Record Update Error");
    ASSERT_TRUE(Answer(answer));
  }
  ASSERT_TRUE(Settled());
  ASSERT_TRUE(form.Win().IsOpen());
  EXPECT_EQ(form.Win().Focus(), kCode);
  EXPECT_EQ(form.Win().Text(kName), "Refused");
  ASSERT_EQ(Press(form.Id(), kOk), InputStatus::kOk);
  ASSERT_TRUE(Settled());
  ASSERT_EQ(Pending(), "Record Update Error");
  ASSERT_TRUE(Answer(kButtonNo));
  ASSERT_TRUE(Settled());
  ASSERT_EQ(Pending(), "Changes will be lost!");
  ASSERT_TRUE(Answer(kButtonYes));
  form.Finish();
  EXPECT_EQ(form.response, RequestCancelled);
  EXPECT_EQ(PartsFile::writes, before);
  EXPECT_EQ(ReadParts(errors), Parts{kAlpha});
}

// A delete request with DELETEACTION 2 or 4 is carried out before the window would open; with
// another action the form opens and OK deletes.
TEST_F(FormTest, DeleteRequestsAskOrNotAsDeleteActionSays) {
  struct Case {
    const char* name;
    std::uint8_t deleteAction;
    int answer;  // to "Confirm Delete" (0: not asked)
    bool opens;
    int response;
    Parts left;
  };
  const Case cases[] = {
      {"2, Yes", 2, kButtonYes, false, RequestCompleted, {kBeta}},
      {"2, No", 2, kButtonNo, false, RequestCancelled, {kAlpha, kBeta}},
      {"4: no question", 4, 0, false, RequestCompleted, {kBeta}},
      {"3: the form opens, OK deletes", 3, 0, true, RequestCompleted, {kBeta}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteParts(errors, {kAlpha, kBeta});
    const std::size_t shown = Captions().size();
    FormSetup setup;
    setup.request = DeleteRecord;
    setup.load = kAlpha;
    setup.configure = [&c](WindowManager& w) { w.DELETEACTION = c.deleteAction; };
    RunningForm form(errors, setup, backend);
    if (c.answer != 0 || c.opens) {
      ASSERT_TRUE(Settled());
    }
    if (c.answer != 0) {
      ASSERT_EQ(Pending(), "Confirm Delete");
      ASSERT_TRUE(Answer(c.answer));
    }
    if (c.opens) {
      ASSERT_TRUE(form.Win().IsOpen());
      ASSERT_EQ(Press(form.Id(), kOk), InputStatus::kOk);
    }
    form.Finish();
    EXPECT_EQ(form.Id() != 0, c.opens);
    EXPECT_EQ(form.response, c.response);
    EXPECT_EQ(Captions().size() - shown, c.answer != 0 ? 1u : 0u);
    EXPECT_EQ(ReadParts(errors), c.left);
  }
}

// A view form writes nothing: its entries take no typing, the save button does nothing, and
// OK closes with RequestCancelled.
TEST_F(FormTest, ViewWritesNothing) {
  WriteParts(errors, {kAlpha});
  FormSetup setup;
  setup.request = ViewRecord;
  setup.load = kAlpha;
  setup.saveButton = true;
  setup.configure = [](WindowManager& w) {
    w.INSERTACTION = w.DELETEACTION = w.CHANGEACTION = 1;
    w.CANCELACTION = 0;
    w.OKCONTROL = kOk;
  };
  RunningForm form(errors, setup, backend);
  ASSERT_TRUE(Settled());
  const int before = PartsFile::writes;
  EXPECT_EQ(TypeInto(form.Id(), kName, "Changed"), InputStatus::kReadOnly);
  ASSERT_EQ(Press(form.Id(), kSave), InputStatus::kOk);
  ASSERT_TRUE(Settled());
  EXPECT_TRUE(form.Win().IsOpen());
  ASSERT_EQ(Press(form.Id(), kOk), InputStatus::kOk);
  form.Finish();
  EXPECT_EQ(form.response, RequestCancelled);
  EXPECT_EQ(PartsFile::writes, before);
  EXPECT_EQ(ReadParts(errors), Parts{kAlpha});
  EXPECT_TRUE(Captions().empty());
}

// The save button writes the record and keeps the form open; a later save or OK writes the
// record as a change (never a second insert). The cancel buttons are disabled after a save
// when DISABLECANCELBUTTON is set, and enabled again by the next accepted control. However the
// form is then left, the answer is RequestCompleted: the record was written.
TEST_F(FormTest, SaveButtonWritesAndKeepsTheFormOpen) {
  struct Case {
    const char* name;
    RequestCode request;
    bool leaveWithOk;  // else the Cancel button after the second edit (dropping it)
    Parts stored;
    bool edit = true;  // a second edit after the save
  };
  // Whatever way the form is left after a save, the caller hears that a record was written, and
  // OK on a record saved and not changed since closes the form, even without a toolbar.
  const Case cases[] = {
      {"insert, save, edit, OK", InsertRecord, true, {{"A1", "Second", 1}}},
      {"insert, save, edit, Cancel", InsertRecord, false, {{"A1", "First", 1}}},
      {"insert, save, OK", InsertRecord, true, {{"A1", "First", 1}}, false},
      {"change, save, edit, OK", ChangeRecord, true, {{"A1", "Second", 1}}},
      {"change, save, edit, Cancel", ChangeRecord, false, {{"A1", "First", 1}}},
      {"change, save, OK", ChangeRecord, true, {{"A1", "First", 1}}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteParts(errors, c.request == ChangeRecord ? Parts{kAlpha} : Parts{});
    FormSetup setup;
    setup.request = c.request;
    if (c.request == ChangeRecord) setup.load = kAlpha;
    setup.saveButton = true;
    setup.toolbar = c.edit;  // without a toolbar an unchanged OK alone would complete nothing
    setup.configure = [](WindowManager& w) {
      w.DISABLECANCELBUTTON = 1;
      w.CANCELACTION = 2;
    };
    RunningForm form(errors, setup, backend);
    ASSERT_TRUE(Settled());
    if (c.request == InsertRecord) {
      ASSERT_EQ(TypeInto(form.Id(), kCode, "A1"), InputStatus::kOk);
      ASSERT_EQ(TypeInto(form.Id(), kQty, "1"), InputStatus::kOk);
    }
    ASSERT_EQ(TypeInto(form.Id(), kName, "First"), InputStatus::kOk);
    ASSERT_EQ(Press(form.Id(), kSave), InputStatus::kOk);
    ASSERT_TRUE(Settled());
    ASSERT_TRUE(form.Win().IsOpen());
    EXPECT_EQ(ReadParts(errors), (Parts{{"A1", "First", 1}}));
    EXPECT_TRUE(form.Win().Disabled(kCancel));
    // Saving again without a change writes nothing.
    int before = PartsFile::writes;
    ASSERT_EQ(Press(form.Id(), kSave), InputStatus::kOk);
    ASSERT_TRUE(Settled());
    EXPECT_EQ(PartsFile::writes, before);
    if (c.edit) {
      ASSERT_EQ(TypeInto(form.Id(), kName, "Second"), InputStatus::kOk);
      ASSERT_TRUE(Settled());
      EXPECT_FALSE(form.Win().Disabled(kCancel)) << "an accepted control enables them again";
    }
    if (c.leaveWithOk) {
      ASSERT_EQ(Press(form.Id(), kOk), InputStatus::kOk);  // Finish fails a form left open
    } else {
      ASSERT_EQ(Press(form.Id(), kCancel), InputStatus::kOk);
      ASSERT_TRUE(Settled());
      ASSERT_EQ(Pending(), "Changes will be lost!");
      ASSERT_TRUE(Answer(kButtonYes));
    }
    form.Finish();
    EXPECT_EQ(form.response, RequestCompleted);
    EXPECT_EQ(ReadParts(errors), c.stored);
    EXPECT_EQ(form.buffer, c.stored.front()) << "the buffer holds the record as written";
  }
}

// OK validates every control in turn; the first that fails stops the validation: later
// controls are not looked at and nothing is written. Once it passes, the record is inserted.
TEST_F(FormTest, AcceptAllStopsAtTheFirstFailingControl) {
  struct Case {
    const char* name;
    Part typed;
    int validated;  // entries validated by OK
    int focus;      // where the focus ends when the form stays open
    bool inserted;
  };
  const Case cases[] = {
      {"code missing", {"", "Name", 3}, 1, kCode, false},
      {"name missing", {"C1", "", 3}, 2, kName, false},
      {"all valid", {"C1", "Name", 3}, 3, 0, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteParts(errors, {});
    FormSetup setup;
    setup.request = InsertRecord;
    setup.validate = [](int control, const PartRec& r) {
      if (control == kCode) return !r.CODE.Clipped().empty();
      if (control == kName) return !r.NAME.Clipped().empty();
      return true;
    };
    RunningForm form(errors, setup, backend);
    ASSERT_TRUE(Settled());
    if (!c.typed.code.empty()) {
      ASSERT_EQ(TypeInto(form.Id(), kCode, c.typed.code), InputStatus::kOk);
    }
    if (!c.typed.name.empty()) {
      ASSERT_EQ(TypeInto(form.Id(), kName, c.typed.name), InputStatus::kOk);
    }
    ASSERT_EQ(TypeInto(form.Id(), kQty, std::to_string(c.typed.qty)), InputStatus::kOk);
    ASSERT_TRUE(Settled());
    form.Win().Select(kQty);
    ASSERT_TRUE(Settled());
    const int before = form.accepted;
    const int writes = PartsFile::writes;
    ASSERT_EQ(Press(form.Id(), kOk), InputStatus::kOk);
    if (c.inserted) {
      form.Finish();
      EXPECT_EQ(form.accepted - before, c.validated);
      EXPECT_EQ(form.response, RequestCompleted);
      EXPECT_EQ(ReadParts(errors), Parts{c.typed});
      continue;
    }
    ASSERT_TRUE(Settled());
    EXPECT_EQ(form.accepted - before, c.validated);
    EXPECT_TRUE(form.Win().IsOpen());
    EXPECT_FALSE(form.Win().InAcceptAll());
    EXPECT_EQ(form.Win().Focus(), c.focus);
    EXPECT_EQ(PartsFile::writes, writes);
    ASSERT_EQ(CloseBox(form.Id()), InputStatus::kOk);
    ASSERT_TRUE(Settled());
    ASSERT_EQ(Pending(), "Changes will be lost!");
    ASSERT_TRUE(Answer(kButtonYes));
    form.Finish();
    EXPECT_EQ(form.response, RequestCancelled);
    EXPECT_TRUE(ReadParts(errors).empty());
  }
}

}  // namespace
}  // namespace kv::test
