// Forms on paths a person rarely walks: a delete the table refuses, offered again; and forms
// run without user interaction (BATCHPROCESSING) that hand each record done to a record
// navigator and go on with the next one.
#include "tests/framework/window/FormFixture.h"

#include "framework/window/FormNavigator.h"
#include "platform/window/UserInput.h"

namespace kv::test {
namespace {

using Parts = std::vector<Part>;

const Part kAlpha{"A1", "Alpha", 1};
const Part kBeta{"B2", "Beta", 2};
const Part kGamma{"C3", "Gamma", 3};

// A failed delete is told ("Record was not deleted"), then "Record Delete Error" asks: Yes tries
// again, No closes the form with nothing deleted, Cancel keeps the form open on FIRSTFIELD (and a
// later OK deletes).
TEST_F(FormTest, AFailedDeleteOffersToTryAgain) {
  struct Case {
    const char* name;
    int answer;
    bool staysOpen;
    int response;
    Parts left;
  };
  const Case cases[] = {
      {"Yes tries again", kButtonYes, false, RequestCompleted, {kBeta}},
      {"No closes", kButtonNo, false, RequestCancelled, {kAlpha, kBeta}},
      {"Cancel stays", kButtonCancel, true, RequestCompleted, {kBeta}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteParts(errors, {kAlpha, kBeta});
    FormSetup setup;
    setup.request = DeleteRecord;
    setup.load = kAlpha;
    // The form opens on the record and deletes it when OK is pressed, without asking.
    setup.configure = [](WindowManager& w) { w.DELETEACTION = 3; };
    RunningForm form(errors, setup, backend);
    ASSERT_TRUE(Settled());
    ASSERT_TRUE(form.Win().IsOpen());
    PartsFile::refuseDeletes = 1;
    ASSERT_EQ(Press(form.Id(), kOk), InputStatus::kOk);
    ASSERT_TRUE(Settled());
    // The table's refusal is told first; the relation manager offers to try again, and when
    // that is declined the form asks too, with Cancel to stay.
    ASSERT_EQ(Pending(), "Record was not deleted");
    ASSERT_TRUE(Answer(kButtonOk));
    ASSERT_TRUE(Settled());
    ASSERT_EQ(Pending(), "Record Delete Error");
    ASSERT_TRUE(Answer(kButtonNo));
    ASSERT_TRUE(Settled());
    ASSERT_EQ(Pending(), "Record Delete Error");
    ASSERT_EQ(backend.Pending()->message.buttons, kButtonYes | kButtonNo | kButtonCancel);
    ASSERT_TRUE(Answer(c.answer));
    if (c.staysOpen) {
      ASSERT_TRUE(Settled());
      ASSERT_TRUE(form.Win().IsOpen());
      EXPECT_EQ(form.Win().Focus(), kCode);
      EXPECT_EQ(ReadParts(errors), (Parts{kAlpha, kBeta}));
      ASSERT_EQ(Press(form.Id(), kOk), InputStatus::kOk);
    }
    form.Finish();
    EXPECT_EQ(PartsFile::refuseDeletes, 0);
    EXPECT_EQ(form.response, c.response);
    EXPECT_EQ(ReadParts(errors), c.left);
  }
  PartsFile::refuseDeletes = 0;
}

// A navigator over a fixed list of parts: each move loads the next one into the form's buffer.
class PartsNavigator : public FormNavigator {
 public:
  PartsNavigator(PartRec& record, Parts next) : record_(record), next_(std::move(next)) {}
  void Move(std::int32_t request) override {
    requests.push_back(request);
    if (moves_ < next_.size()) FromPart(next_[moves_++], &record_);
  }
  std::vector<std::int32_t> requests;

 private:
  PartRec& record_;
  Parts next_;
  std::size_t moves_ = 0;
};

// In batch processing, OK on a change, a view or a delete does the request's work and keeps the
// form open instead of closing it: a change or a view moves the navigator on to the next
// record; a delete leaves the navigating to its caller. The record then shown has its values
// saved (so that closing asks nothing), with the focus on FIRSTFIELD.
TEST_F(FormTest, BatchFormsMoveTheNavigatorOnAfterEachRecord) {
  struct Case {
    const char* name;
    RequestCode request;
    const char* typed;  // typed into the name before OK, or null
    Parts stored;       // after the first OK
    bool moves;         // the navigator was moved
    int response;       // when the form is closed afterwards
  };
  const Case cases[] = {
      {"change",
       ChangeRecord,
       "Edited",
       {{"A1", "Edited", 1}, kBeta, kGamma},
       true,
       RequestCompleted},
      {"view", ViewRecord, nullptr, {kAlpha, kBeta, kGamma}, true, RequestCancelled},
      {"delete", DeleteRecord, nullptr, {kBeta, kGamma}, false, RequestCancelled},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    WriteParts(errors, {kAlpha, kBeta, kGamma});
    std::unique_ptr<PartsNavigator> navigator;
    FormSetup setup;
    setup.request = c.request;
    setup.load = kAlpha;
    setup.configure = [&](WindowManager& w) {
      w.BATCHPROCESSING = 1;
      w.DELETEACTION = 3;  // deleted on OK, without asking
      navigator = std::make_unique<PartsNavigator>(static_cast<PartsForm&>(w).File().Rec(),
                                                   Parts{kBeta, kGamma});
      w.FORMVCR = navigator.get();
    };
    RunningForm form(errors, setup, backend);
    ASSERT_TRUE(Settled());
    ASSERT_TRUE(form.Win().IsOpen());
    if (c.typed != nullptr) {
      ASSERT_EQ(TypeInto(form.Id(), kName, c.typed), InputStatus::kOk);
    }
    ASSERT_EQ(Press(form.Id(), kOk), InputStatus::kOk);
    ASSERT_TRUE(Settled());
    ASSERT_TRUE(form.Win().IsOpen()) << "a batch form stays open";
    EXPECT_EQ(ReadParts(errors), c.stored);
    ASSERT_NE(navigator, nullptr);
    EXPECT_EQ(navigator->requests,
              c.moves ? std::vector<std::int32_t>{0} : std::vector<std::int32_t>{});
    EXPECT_EQ(form.Win().Text(kCode), c.moves ? "B2" : "A1");
    EXPECT_EQ(form.Win().Focus(), kCode);
    const std::size_t shown = Captions().size();
    ASSERT_EQ(CloseBox(form.Id()), InputStatus::kOk);
    form.Finish();
    EXPECT_EQ(Captions().size(), shown) << "the next record is unchanged: nothing is asked";
    EXPECT_EQ(form.response, c.response);
    EXPECT_EQ(ReadParts(errors), c.stored) << "closing writes nothing";
  }
}

}  // namespace
}  // namespace kv::test
