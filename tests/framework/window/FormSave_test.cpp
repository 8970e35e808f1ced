#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/window/ModalServices.h"
#include "platform/window/UserInput.h"
#include "tests/framework/window/FormFixture.h"

namespace kv::test {
namespace {

using Parts = std::vector<Part>;

const Part kAlpha{"A1", "Alpha", 1};

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
  };
  const Case cases[] = {
      {"insert, save, edit, OK", InsertRecord, true, {{"A1", "Second", 1}}},
      {"insert, save, edit, Cancel", InsertRecord, false, {{"A1", "First", 1}}},
      {"change, save, edit, OK", ChangeRecord, true, {{"A1", "Second", 1}}},
      {"change, save, edit, Cancel", ChangeRecord, false, {{"A1", "First", 1}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteParts(errors, c.request == ChangeRecord ? Parts{kAlpha} : Parts{});
    FormSetup setup;
    setup.request = c.request;
    if (c.request == ChangeRecord) setup.load = kAlpha;
    setup.saveButton = true;
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
    ASSERT_EQ(TypeInto(form.Id(), kName, "Second"), InputStatus::kOk);
    ASSERT_TRUE(Settled());
    EXPECT_FALSE(form.Win().Disabled(kCancel)) << "an accepted control enables them again";
    if (c.leaveWithOk) {
      ASSERT_EQ(Press(form.Id(), kOk), InputStatus::kOk);
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
