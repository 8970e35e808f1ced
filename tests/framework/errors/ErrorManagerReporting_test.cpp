#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/framework/errors/ScriptedModal.h"

namespace kv {
namespace {

using testing::ErrorManagerTest;

class Reporting : public ErrorManagerTest {};

TEST_F(Reporting, QuestionLevelsAnswerBenignOnlyForYes) {
  struct Case {
    ResultLevel level;
    int pressed;
    ResultLevel expected;
  };
  const Case cases[] = {
      {User, kButtonYes, Benign},      {User, kButtonNo, Cancel},    {User, kButtonCancel, Cancel},
      {User, kButtonOk, Cancel},       {Cancel, kButtonYes, Benign}, {Cancel, kButtonNo, Cancel},
      {Cancel, kButtonIgnore, Cancel},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(errors.AddMessage(700, "Delete %File?", c.level, "Confirm"));
    errors.SetFileName("PRODUCTS");
    modal.Answer({c.pressed});
    EXPECT_EQ(errors.Raise(700), c.expected) << int(c.level) << "/" << c.pressed;
    ASSERT_TRUE(errors.RemoveMessage(700));
  }
  std::vector<MessageBoxRequest> shown = modal.Shown();
  ASSERT_EQ(shown.size(), std::size(cases));
  for (const MessageBoxRequest& box : shown) {
    EXPECT_EQ(box.text, "Delete PRODUCTS?");
    EXPECT_EQ(box.caption, "Confirm");
    EXPECT_EQ(box.icon, kIconExclamation);
    EXPECT_EQ(box.buttons, kButtonYes + kButtonNo);
    EXPECT_EQ(box.defaultButton, kButtonYes);
    EXPECT_EQ(box.style, 0);
  }
}

TEST_F(Reporting, NotifyShowsOkWithInformationIconAndReturnsNotify) {
  errors.SetFileName("Products");
  SetLastError(33, "No Record");
  EXPECT_EQ(errors.Raise(MsgRetrieveFailed), Notify);
  ASSERT_EQ(modal.Shown().size(), 1u);
  const MessageBoxRequest box = modal.Shown()[0];
  EXPECT_EQ(box.text,
            "Error: (No Record (33)) attempting to access a record from the Products file.  "
            "Returning to previous window.");
  EXPECT_EQ(box.caption, "Record Retrieval Error");
  EXPECT_EQ(box.icon, kIconInformation);
  EXPECT_EQ(box.buttons, kButtonOk);
  EXPECT_EQ(box.defaultButton, kButtonOk);
}

TEST_F(Reporting, RaiseWithTextFillsMessageToken) {
  EXPECT_EQ(errors.RaiseWithText(MsgProcedureNotDefined, "UpdateProducts  "), Notify);
  ASSERT_EQ(modal.Shown().size(), 1u);
  EXPECT_EQ(modal.Shown()[0].text, "The Procedure UpdateProducts has not been defined.");
  EXPECT_EQ(modal.Shown()[0].caption, "Procedure not defined");
  EXPECT_EQ(modal.Shown()[0].buttons, kButtonOk);
}

TEST_F(Reporting, UnknownOrBenignMessagesShowNothing) {
  ASSERT_TRUE(errors.AddMessage(701, "never shown", Benign, "Quiet"));
  EXPECT_EQ(errors.Raise(701), Benign);
  EXPECT_EQ(errors.Raise(4321), Benign);
  EXPECT_EQ(errors.CurrentId(), 0);
  EXPECT_EQ(errors.CurrentTitle(), "");
  EXPECT_EQ(errors.Status().PREVERRORID, 701);
  EXPECT_TRUE(modal.Shown().empty());
}

TEST_F(Reporting, LastAddedRowWinsAndRemovingUncoversTheEarlier) {
  ASSERT_TRUE(errors.AddMessage(MsgNoRecords, "Nothing here at all", Notify, "Override"));
  EXPECT_EQ(errors.Raise(MsgNoRecords), Notify);
  ASSERT_TRUE(errors.AddMessage(MsgNoRecords, "Continue?", User, "Second override"));
  modal.Answer({kButtonNo});
  EXPECT_EQ(errors.Raise(MsgNoRecords), Cancel);
  EXPECT_TRUE(errors.RemoveMessage(MsgNoRecords));
  EXPECT_EQ(errors.Raise(MsgNoRecords), Notify);
  EXPECT_TRUE(errors.RemoveMessage(MsgNoRecords));
  EXPECT_EQ(errors.Raise(MsgNoRecords), Notify);
  EXPECT_TRUE(errors.RemoveMessage(MsgNoRecords));  // the built-in row itself
  EXPECT_EQ(errors.Raise(MsgNoRecords), Benign);
  EXPECT_FALSE(errors.RemoveMessage(MsgNoRecords));

  std::vector<std::string> seen;
  for (const MessageBoxRequest& box : modal.Shown()) seen.push_back(box.caption + ": " + box.text);
  EXPECT_EQ(seen,
            (std::vector<std::string>{"Override: Nothing here at all", "Second override: Continue?",
                                      "Override: Nothing here at all",
                                      "No Records: There are no records available to process."}));
}

TEST_F(Reporting, CategoriesFallBackToTheDefault) {
  EXPECT_EQ(errors.GetMessageCategory(kDefaultCategoryId), "Ravel");
  EXPECT_EQ(errors.GetMessageCategory(MsgConfirmDelete), "Ravel");
  EXPECT_EQ(errors.GetMessageCategory(4321), "Ravel");  // no such row
  errors.SetMessageCategory(MsgConfirmDelete, "Browse");
  EXPECT_EQ(errors.GetMessageCategory(MsgConfirmDelete), "Browse");
  errors.SetMessageCategory(kDefaultCategoryId, "Korvandel");
  EXPECT_EQ(errors.GetDefaultCategory(), "Korvandel");
  EXPECT_EQ(errors.GetMessageCategory(MsgNoRecords), "Korvandel");
  EXPECT_EQ(errors.GetMessageCategory(MsgConfirmDelete), "Browse");
  // A category belongs to the last-added row: an override starts without one, and removing it
  // uncovers the categorised row again.
  ASSERT_TRUE(errors.AddMessage(MsgConfirmDelete, "Really?", User, "Confirm"));
  EXPECT_EQ(errors.GetMessageCategory(MsgConfirmDelete), "Korvandel");
  errors.SetMessageCategory(MsgConfirmDelete, "");
  ASSERT_TRUE(errors.RemoveMessage(MsgConfirmDelete));
  EXPECT_EQ(errors.GetMessageCategory(MsgConfirmDelete), "Browse");
  errors.SetMessageCategory(4321, "ignored");  // unknown rows are left alone
  EXPECT_EQ(errors.GetMessageCategory(4321), "Korvandel");
}

TEST_F(Reporting, SilentShowsNothingAndAnswersDefaults) {
  errors.SetSilent(true);
  modal.Answer({kButtonNo, kButtonNo, kButtonNo});
  EXPECT_EQ(errors.Raise(MsgConfirmDelete), Benign) << "a silent question answers Yes";
  EXPECT_EQ(errors.Raise(MsgNoRecords), Notify);
  EXPECT_EQ(
      errors.AskQuestion(MsgSaveRecord, kButtonYes + kButtonNo + kButtonCancel, kButtonCancel),
      kButtonCancel);
  EXPECT_EQ(errors.CurrentId(), MsgNoRecords) << "a silent AskQuestion selects nothing";
  EXPECT_TRUE(modal.Shown().empty());
  errors.SetSilent(false);
  EXPECT_EQ(errors.Raise(MsgConfirmDelete), Cancel);
}

TEST_F(Reporting, AskQuestionUsesCallerButtonsAndDoesNotCapture) {
  SetLastError(40, "Creates Duplicate Key");
  errors.CaptureRuntimeError();
  SetLastError(2, "Record Not Found");  // not captured by AskQuestion
  ASSERT_TRUE(errors.AddMessage(702, "Retry (%ErrorCode)?", Notify, "Question"));
  modal.Answer({kButtonRetry});
  EXPECT_EQ(errors.AskQuestion(702, kButtonRetry + kButtonCancel, kButtonCancel), kButtonRetry);
  ASSERT_EQ(modal.Shown().size(), 1u);
  const MessageBoxRequest box = modal.Shown()[0];
  EXPECT_EQ(box.text, "Retry (40)?");
  EXPECT_EQ(box.caption, "Question");
  EXPECT_EQ(box.icon, kIconExclamation);
  EXPECT_EQ(box.buttons, kButtonRetry + kButtonCancel);
  EXPECT_EQ(box.defaultButton, kButtonCancel);
  EXPECT_EQ(errors.CurrentId(), 702);
}

TEST_F(Reporting, PreviousRefersToTheMessageRaisedBefore) {
  ASSERT_TRUE(errors.AddMessage(703, "Earlier: %Previous", Notify, "Chain"));
  errors.SetFileName("PRODUCTS");
  (void)errors.Raise(MsgInvalidKey);
  (void)errors.Raise(703);
  (void)errors.Raise(4321);  // unknown: the next %Previous refers to identifier 0
  (void)errors.Raise(703);
  std::vector<std::string> texts;
  for (const MessageBoxRequest& box : modal.Shown()) texts.push_back(box.text);
  EXPECT_EQ(texts, (std::vector<std::string>{"PRODUCTS key file is invalid. Key must be rebuilt.",
                                             "Earlier: %File key file is invalid. Key must be "
                                             "rebuilt.",
                                             "Earlier: "}));
}

TEST_F(Reporting, ValuesPersistOnTheThreadUntilSetAgain) {
  errors.SetFileName("PRODUCTS");
  SetLastError(5, "Access Denied");
  (void)errors.Raise(MsgReadOnlyAccess);
  ClearLastError();
  (void)errors.Raise(MsgCloseFailed);
  std::vector<MessageBoxRequest> shown = modal.Shown();
  ASSERT_EQ(shown.size(), 2u);
  EXPECT_EQ(shown[0].text, "Could not get write access to PRODUCTS so trying read-only.");
  EXPECT_EQ(shown[1].text, "File PRODUCTS could not be closed.  Error:  (0).");
}

TEST(ErrorManagerLife, KillIsSafeTwiceAndAManagerWithoutInitShowsNothing) {
  testing::ScriptedModal modal;
  ClearLastError();
  ErrorStatus::ThisThread().Reset();
  {
    ErrorManager errors;
    SetLastError(5, "Access Denied");
    errors.CaptureRuntimeError();  // not initialised: nothing captured
    EXPECT_EQ(ErrorStatus::ThisThread().SAVEERRORCODE, 0);
    EXPECT_EQ(errors.Raise(MsgNoRecords), Benign);
    EXPECT_FALSE(errors.AddMessage(1, "x", Notify, "y"));
    ErrorStatus status;
    errors.Init(status);
    errors.CaptureRuntimeError();
    EXPECT_EQ(status.SAVEERRORCODE, 5) << "Init binds the given status for this thread";
    EXPECT_EQ(errors.Raise(MsgNoRecords), Notify);
    errors.Kill();
    errors.Kill();
    EXPECT_EQ(errors.Raise(MsgNoRecords), Benign);
    errors.Init(status);  // a killed manager can start again
    EXPECT_EQ(errors.GetDefaultCategory(), "Ravel");
    EXPECT_EQ(errors.Raise(MsgNoRecords), Notify);
  }  // the destructor kills once more
  EXPECT_EQ(modal.Shown().size(), 2u);
  ClearLastError();
}

using ReportingDeathTest = Reporting;

TEST_F(ReportingDeathTest, FatalShowsPressOkThenEndsWithExitCodeZero) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  // The box prints what it shows, so the parent can read it from the child's error output.
  modal.OnShow([](const MessageBoxRequest& box) {
    std::fprintf(stderr, "BOX<%s|%s|%u|%d>\n", box.caption.c_str(), box.text.c_str(), box.icon,
                 box.buttons);
  });
  const std::string expected =
      "BOX<File Access Error\\|File PRODUCTS could not be opened.  Error: Access Denied \\(5\\)."
      "  Press OK to end this application\\|" +
      std::to_string(kIconInformation) + "\\|1>";
  EXPECT_EXIT(
      {
        SetHaltHandler({});
        errors.SetFileName("PRODUCTS");
        SetLastError(5, "Access Denied");
        (void)errors.Raise(MsgOpenFailed);
        std::fprintf(stderr, "RETURNED\n");
        std::exit(7);
      },
      ::testing::ExitedWithCode(0), expected);
  // Program (2) and levels outside 0-5 end the program the same way.
  for (ResultLevel level : {Program, ResultLevel{6}, ResultLevel{200}}) {
    EXPECT_EXIT(
        {
          SetHaltHandler({});
          (void)errors.AddMessage(704, "Bad state", level, "Program Error");
          (void)errors.Raise(704);
          std::exit(7);
        },
        ::testing::ExitedWithCode(0), "BOX<Program Error\\|Bad state  Press OK to end this");
  }
}

}  // namespace
}  // namespace kv
