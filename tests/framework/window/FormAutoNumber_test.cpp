// An insert form over a table whose key is numbered automatically, on SQLite and PostgreSQL:
// the record is added with its number before the form opens, so OK writes that record back,
// Cancel removes it again, and "add another" numbers the next one.

#include <gtest/gtest.h>

#include "platform/window/UserInput.h"
#include "tests/framework/window/FormFixture.h"

namespace kv::test {
namespace {

using Parts = std::vector<Part>;

class FormAutoNumber : public FormOnEachDatabase {
 protected:
  void SetUp() override {
    PartsFile::numbered = true;
    FormOnEachDatabase::SetUp();
  }
  void TearDown() override {
    FormOnEachDatabase::TearDown();
    PartsFile::numbered = false;
  }
};

TEST_P(FormAutoNumber, InsertFormsKeepCancelAndNumberTheAddedRecords) {
  WriteParts(errors, {{"A", "first", 0}});  // numbered 1
  ASSERT_EQ(ReadParts(errors), (Parts{{"A", "first", 1}}));
  struct Case {
    const char* name;
    int insertAction;
    const char* typed;  // typed into the name of each record, or null
    int oks;            // OKs pressed before the form is closed
    bool save;          // the save button pressed before each OK
    int response;
    Parts stored;
    int writes;  // adds, write-backs and deletes of the table
  };
  const Case cases[] = {
      // Numbered and added when the form opens; OK writes the typed name into that record.
      {"OK keeps",
       2,
       "second",
       1,
       false,
       RequestCompleted,
       {{"A", "first", 1}, {"B", "second", 2}},
       2},
      // Nothing typed: closing asks nothing and removes the record the form opened on.
      {"Cancel removes", 2, nullptr, 0, false, RequestCancelled, {{"A", "first", 1}}, 2},
      // Each OK starts the next record, numbered on from the one just written; closing removes
      // the last, unsaved one and leaves the second added in the buffer.
      {"add another",
       3,
       "more",
       2,
       false,
       RequestCompleted,
       {{"A", "first", 1}, {"B", "more", 2}, {"B", "more", 3}},
       6},
      // Saved and kept open, then OK: nothing more to write, and the next record starts from
      // the values just saved with the next number.
      {"save, then add another",
       3,
       "saved",
       1,
       true,
       RequestCompleted,
       {{"A", "first", 1}, {"B", "saved", 2}},
       4},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PartsFile::writes = 0;
    FormSetup setup;
    setup.request = InsertRecord;
    setup.saveButton = c.save;
    setup.configure = [&](WindowManager& w) { w.INSERTACTION = c.insertAction; };
    setup.primeFields = [](WindowManager& w) {
      static_cast<PartsForm&>(w).File().Rec().CODE.Assign("B");
    };
    RunningForm form(errors, setup, backend);
    ASSERT_TRUE(Settled());
    ASSERT_TRUE(form.Win().IsOpen());
    // With INSERTACTION 2 the OK ends the form; with 3 it stays open on the next record.
    const bool staysOpen = c.insertAction == 3 || c.oks == 0;
    for (int ok = 0; ok < c.oks; ++ok) {
      EXPECT_EQ(Trimmed(form.Win().Text(kQty)), std::to_string(2 + ok)) << "the number shown";
      ASSERT_EQ(TypeInto(form.Id(), kName, c.typed), InputStatus::kOk);
      if (c.save) {
        ASSERT_EQ(Press(form.Id(), kSave), InputStatus::kOk);
        ASSERT_TRUE(Settled());
      }
      ASSERT_EQ(Press(form.Id(), kOk), InputStatus::kOk);
      if (staysOpen) {
        ASSERT_TRUE(Settled());
      }
    }
    if (staysOpen) {
      ASSERT_TRUE(form.Win().IsOpen());
      EXPECT_EQ(Trimmed(form.Win().Text(kQty)), std::to_string(2 + c.oks));
      // The next record starts from the form's first values, or after a save from those saved.
      EXPECT_EQ(Trimmed(form.Win().Text(kName)), c.save ? c.typed : "");
      ASSERT_EQ(CloseBox(form.Id()), InputStatus::kOk);
    }
    form.Finish();
    EXPECT_EQ(form.response, c.response);
    EXPECT_EQ(ReadParts(errors), c.stored);
    EXPECT_EQ(PartsFile::writes, c.writes);
    if (c.insertAction == 3) {
      EXPECT_EQ(form.buffer, c.stored.back());
    }
    WriteParts(errors, {{"A", "first", 0}});
  }
  EXPECT_TRUE(Captions().empty()) << Captions().front();
}

INSTANTIATE_TEST_SUITE_P(Db, FormAutoNumber, ::testing::Values("sqlite", "postgres"),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace kv::test
