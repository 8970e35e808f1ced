// Preparing forms, closing them and field history (framework/window/WindowManagerFormSetup.cpp)
// on a SQLite table.
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

// PrimeFields may refuse an insert: the window never opens and the answer is RequestCancelled.
// Otherwise what it primes is what the new record starts with.
TEST_F(FormTest, PrimeFieldsFillsOrRefusesTheNewRecord) {
  for (bool refuse : {true, false}) {
    SCOPED_TRACE(refuse ? "refused" : "primed");
    WriteParts(errors, {});
    FormSetup setup;
    setup.request = InsertRecord;
    setup.primeFields = [refuse](WindowManager& w) {
      if (refuse) {
        w.RESPONSE = RequestCancelled;
      } else {
        static_cast<PartRec*>(w.PRIMARY->ME->BUFFER.address)->QTY = 10;
      }
    };
    setup.configure = [](WindowManager& w) { w.INSERTACTION = 2; };
    RunningForm form(errors, setup, backend);
    if (refuse) {
      form.Finish();
      EXPECT_EQ(form.Id(), 0);
      EXPECT_EQ(form.response, RequestCancelled);
      continue;
    }
    ASSERT_TRUE(Settled());
    ASSERT_TRUE(form.Win().IsOpen());
    EXPECT_EQ(Trimmed(form.Win().Text(kQty)), "10");
    ASSERT_EQ(CloseBox(form.Id()), InputStatus::kOk);
    form.Finish();
    EXPECT_EQ(form.response, RequestCancelled) << "an untouched new record closes without asking";
    EXPECT_TRUE(Captions().empty());
  }
}

}  // namespace
}  // namespace kv::test
