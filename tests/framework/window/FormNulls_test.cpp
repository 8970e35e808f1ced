// A change form over a record whose columns are NULL, on SQLite and on PostgreSQL: what the
// user types into such a field is saved, the NULLs the user leaves alone stay NULL.

#include <gtest/gtest.h>

#include <string>

#include "platform/window/UserInput.h"
#include "tests/framework/window/FormFixture.h"

namespace kv::test {
namespace {

class FormNulls : public FormOnEachDatabase {
 protected:
  // The stored part: name and quantity, "NULL" for a null column.
  std::string Stored(const std::string& code) {
    std::string out = "no part";
    OnOtherThread(errors, [&](PartsFile& f) {
      f.FILE->Decl().Layout().Clear(f.FILE->Record());
      f.Rec().CODE.Assign(code);
      if (f.TryFetch(1) != Benign) return;
      out = (f.FILE->IsNull(1) ? std::string("NULL") : std::string(f.Rec().NAME.Clipped())) + "|" +
            (f.FILE->IsNull(2) ? std::string("NULL") : std::to_string(f.Rec().QTY));
    });
    return out;
  }
};

TEST_P(FormNulls, TypedValuesReplaceNullsAndUntouchedNullsStay) {
  // Two parts stored with NULL name and quantity, as a database the program did not fill holds.
  OnOtherThread(errors, [&](PartsFile& f) {
    for (const char* code : {"N1", "N2"}) {
      f.FILE->Decl().Layout().Clear(f.FILE->Record());
      f.Rec().CODE.Assign(code);
      f.FILE->SetNull(1);
      f.FILE->SetNull(2);
      ASSERT_EQ(f.TryInsert(), Benign);
    }
  });
  ASSERT_EQ(Stored("N1"), "NULL|NULL");
  struct Case {
    const char* code;
    const char* name;  // typed into the name; nullptr: left alone
    const char* qty;   // typed into the quantity; nullptr: left alone
    const char* stored;
  };
  const Case cases[] = {
      {"N1", "typed", nullptr, "typed|NULL"},
      {"N2", nullptr, "42", "NULL|42"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.code);
    FormSetup setup;
    setup.request = ChangeRecord;
    setup.load = Part{c.code, "", 0};
    RunningForm form(errors, setup, backend);
    ASSERT_TRUE(Settled());
    if (c.name != nullptr) {
      ASSERT_EQ(TypeInto(form.Id(), kName, c.name), InputStatus::kOk);
    }
    if (c.qty != nullptr) {
      ASSERT_EQ(TypeInto(form.Id(), kQty, c.qty), InputStatus::kOk);
    }
    ASSERT_EQ(Press(form.Id(), kOk), InputStatus::kOk);
    form.Finish();
    EXPECT_EQ(form.response, RequestCompleted);
    EXPECT_EQ(Stored(c.code), c.stored);
  }
  EXPECT_TRUE(Captions().empty()) << Captions().front();
}

INSTANTIATE_TEST_SUITE_P(Db, FormNulls, ::testing::Values("sqlite", "postgres"),
                         [](const auto& info) { return info.param; });

}  // namespace
}  // namespace kv::test
