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

// Another station changed the record while the form was open: "Record Was Not Updated" (the
// variant that offers the recall key), the other station's values are shown, Ctrl+H on an
// entry brings back what the user typed, and OK then writes it.
TEST_F(FormTest, RecordChangedElsewhereShowsTheirValuesAndCtrlHRecallsMine) {
  WriteParts(errors, {kAlpha});
  FormSetup setup;
  setup.request = ChangeRecord;
  setup.load = kAlpha;
  RunningForm form(errors, setup, backend);
  ASSERT_TRUE(Settled());
  ASSERT_EQ(TypeInto(form.Id(), kName, "Mine"), InputStatus::kOk);
  ASSERT_TRUE(Settled());
  OnOtherThread(errors, [](PartsFile& f) {
    FromPart(kAlpha, &f.Rec());
    ASSERT_EQ(f.TryFetch(1), Benign);
    f.Rec().NAME.Assign("Theirs");
    f.Rec().QTY = 9;
    ASSERT_EQ(f.TryUpdate(), Benign);
  });
  ASSERT_EQ(Press(form.Id(), kOk), InputStatus::kOk);
  ASSERT_TRUE(Settled());
  ASSERT_EQ(Pending(), "Record Was Not Updated");
  EXPECT_NE(backend.Pending()->message.text.find("Ctrl+H"), std::string::npos);
  ASSERT_TRUE(Answer(kButtonOk));
  ASSERT_TRUE(Settled());
  ASSERT_TRUE(form.Win().IsOpen());
  EXPECT_EQ(form.Win().Text(kName), "Theirs");
  EXPECT_EQ(Trimmed(form.Win().Text(kQty)), "9");
  EXPECT_EQ(form.Win().Focus(), kCode);
  form.Win().Select(kName);  // the user goes to the name entry
  ASSERT_TRUE(Settled());
  // The recall key on the name brings back the name typed, and only the name.
  ASSERT_EQ(PressKey(form.Id(), kName, ParseKeyName("Ctrl+H")), InputStatus::kOk);
  ASSERT_TRUE(Settled());
  EXPECT_EQ(form.Win().Text(kName), "Mine");
  EXPECT_EQ(Trimmed(form.Win().Text(kQty)), "9");
  ASSERT_EQ(Press(form.Id(), kOk), InputStatus::kOk);
  form.Finish();
  EXPECT_EQ(form.response, RequestCompleted);
  EXPECT_EQ(ReadParts(errors), (Parts{{"A1", "Mine", 9}}));
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

// Closing a changed form, by CANCELACTION: ask "Changes will be lost!" (bit 0 clear), ask
// "Save Record" (bits 0 and 1), save without asking (bit 0), or close without asking (0).
TEST_F(FormTest, ClosingAChangedFormFollowsCancelAction) {
  struct Case {
    const char* name;
    std::uint8_t cancelAction;
    const char* question;  // null: none
    int answer;
    bool staysOpen;
    int response;
    const char* stored;
  };
  const Case cases[] = {
      {"2, No keeps it open", 2, "Changes will be lost!", kButtonNo, true, 0, nullptr},
      {"2, Yes drops the change", 2, "Changes will be lost!", kButtonYes, false, RequestCancelled,
       "Alpha"},
      {"3, Cancel keeps it open", 3, "Save Record", kButtonCancel, true, 0, nullptr},
      {"3, No drops the change", 3, "Save Record", kButtonNo, false, RequestCancelled, "Alpha"},
      {"3, Yes saves", 3, "Save Record", kButtonYes, false, RequestCompleted, "Edited"},
      {"1 saves without asking", 1, nullptr, 0, false, RequestCompleted, "Edited"},
      {"0 closes without asking", 0, nullptr, 0, false, RequestCancelled, "Alpha"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteParts(errors, {kAlpha});
    const std::size_t shown = Captions().size();
    FormSetup setup;
    setup.request = ChangeRecord;
    setup.load = kAlpha;
    setup.configure = [&c](WindowManager& w) { w.CANCELACTION = c.cancelAction; };
    RunningForm form(errors, setup, backend);
    ASSERT_TRUE(Settled());
    ASSERT_EQ(TypeInto(form.Id(), kName, "Edited"), InputStatus::kOk);
    ASSERT_TRUE(Settled());
    form.Win().Select(kQty);
    ASSERT_EQ(Press(form.Id(), kCancel), InputStatus::kOk);
    if (c.question != nullptr) {
      ASSERT_TRUE(Settled());
      ASSERT_EQ(Pending(), c.question);
      ASSERT_TRUE(Answer(c.answer));
    }
    if (c.staysOpen) {
      ASSERT_TRUE(Settled());
      ASSERT_TRUE(form.Win().IsOpen());
      EXPECT_EQ(form.Win().Focus(), kCode);
      EXPECT_EQ(form.Win().Text(kName), "Edited");
      // Leaving through the close box asks again; this time the change is dropped.
      ASSERT_EQ(CloseBox(form.Id()), InputStatus::kOk);
      ASSERT_TRUE(Settled());
      ASSERT_EQ(Pending(), c.question);
      ASSERT_TRUE(Answer(c.cancelAction == 2 ? kButtonYes : kButtonNo));
      form.Finish();
      EXPECT_EQ(form.response, RequestCancelled);
      EXPECT_EQ(ReadParts(errors), Parts{kAlpha});
      continue;
    }
    form.Finish();
    EXPECT_EQ(form.response, c.response);
    EXPECT_EQ(Captions().size() - shown, c.question != nullptr ? 1u : 0u);
    EXPECT_EQ(ReadParts(errors), (Parts{{"A1", c.stored, 1}}));
  }
}

// A request the form has no action for shows "Invalid Request" and never opens the window.
TEST_F(FormTest, RequestsTheFormDoesNotAllowAreRefused) {
  struct Case {
    RequestCode request;
    const char* text;
  };
  const Case cases[] = {
      {InsertRecord, "This form cannot be used to insert a record"},
      {ChangeRecord, "This form cannot be used to update a record"},
      {DeleteRecord, "This form cannot be used to delete a record"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.text);
    WriteParts(errors, {kAlpha});
    const int before = PartsFile::writes;
    FormSetup setup;
    setup.request = c.request;
    setup.load = kAlpha;
    setup.configure = [](WindowManager& w) {
      w.INSERTACTION = w.CHANGEACTION = w.DELETEACTION = 1;
    };
    RunningForm form(errors, setup, backend);
    ASSERT_TRUE(Settled());
    ASSERT_EQ(Pending(), "Invalid Request");
    EXPECT_EQ(backend.Pending()->message.text, c.text);
    ASSERT_TRUE(Answer(kButtonOk));
    form.Finish();
    EXPECT_EQ(form.Id(), 0);
    EXPECT_EQ(form.response, RequestCancelled);
    EXPECT_EQ(PartsFile::writes, before);
    EXPECT_EQ(ReadParts(errors), Parts{kAlpha});
  }
}

}  // namespace
}  // namespace kv::test
