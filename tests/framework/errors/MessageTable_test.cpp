#include "framework/errors/MessageTable.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "framework/errors/BuiltInMessageTable.h"

namespace kv {
namespace {

struct ExpectedRow {
  int number;
  MessageId id;
  ResultLevel level;
  const char* title;
};

// Every identifier with its number, level and title, written out independently of the table.
const ExpectedRow kExpected[] = {
    {1, MsgRetrieveFailed, Notify, "Record Retrieval Error"},
    {2, MsgReadOnlyAccess, Notify, "Access Denied"},
    {3, MsgRecordAdded, User, "Record Added"},
    {4, MsgInsertFailed, Notify, "Record Insert Error"},
    {5, MsgAddNewRecord, Notify, "Add New Record?"},
    {6, MsgCloseFailed, Notify, "File Access Error"},
    {7, MsgChangedElsewhere, Notify, "Record Was Not Updated"},
    {8, MsgChangedElsewhereShown, Notify, "Record Was Not Updated"},
    {9, MsgChangedOrDeletedElsewhere, Notify, "Record Retrieval Error"},
    {10, MsgChangesWillBeLost, User, "Changes will be lost!"},
    {11, MsgConfirmDelete, User, "Confirm Delete"},
    {12, MsgCreateFailed, Fatal, "File Creation Error"},
    {13, MsgDeleteFailed, Notify, "Record was not deleted"},
    {14, MsgDeleteNotAllowed, Notify, "Invalid Request"},
    {15, MsgDuplicateKey, Notify, "Duplicate Key Error"},
    {16, MsgNotFoundInFile, Notify, "Field contents error"},
    {17, MsgNotInList, Notify, "Value Error"},
    {18, MsgNotInRange, Notify, "Range Error"},
    {19, MsgAboveUpperLimit, Notify, "Range Error"},
    {20, MsgBelowLowerLimit, Notify, "Range Error"},
    {21, MsgLoadFailed, Notify, "File Load Error"},
    {22, MsgWmfReadFailed, Fatal, "WMF Parser Error"},
    {23, MsgInsertNotAllowed, Notify, "Invalid Request"},
    {24, MsgTransactionFailed, Notify, "Transaction cancelled"},
    {25, MsgNoRecords, Notify, "No Records"},
    {26, MsgOpenFailed, Fatal, "File Access Error"},
    {27, MsgProcedureNotDefined, Notify, "Procedure not defined"},
    {28, MsgUpdateFailed, Notify, "Record was not updated"},
    {29, MsgKeyNotBuilt, Fatal, "Key was not built"},
    {30, MsgInvalidKey, Notify, "Invalid Key"},
    {31, MsgRecordHeld, Notify, "Record not read"},
    {33, MsgDeleteRestricted, Notify, "Referential Integrity Delete Error"},
    {34, MsgUpdateRestricted, Notify, "Referential Integrity Update Error"},
    {35, MsgAutoNumberFailed, User, "Auto Increment Error"},
    {36, MsgRetryDelete, User, "Record Delete Error"},
    {37, MsgRetryUpdate, User, "Record Update Error"},
    {38, MsgSaveRecord, User, "Save Record"},
    {39, MsgBeginningOfFile, User, "Beginning of File Error"},
    {40, MsgEndOfFile, User, "End of File Error"},
    {41, MsgChangeNotAllowed, Notify, "Invalid Request"},
    {42, MsgFileNotOpen, Program, "File Usage Error"},
    {43, MsgViewOpenFailed, Notify, "View Open Error"},
    {44, MsgQueryColumnDropped, Notify, "Unsupported QBE Column"},
    {45, MsgSmtpError, Notify, "SMTP Error"},
    {46, MsgNntpError, Notify, "NNTP Error"},
    {47, MsgWinsockError, Notify, "Winsock Error"},
    {48, MsgWmfQueueAddFailed, Fatal, "WMF Parser Error"},
    {49, MsgWmfInvalidFile, Fatal, "WMF Parser Error"},
    {50, MsgWmfInvalidControl, Fatal, "WMF Parser Error"},
    {51, MsgWmfIdNotFound, Fatal, "WMF Parser Error"},
    {52, MsgReportBadComment, Notify, "Report Writer Error"},
    {53, MsgReportUnknownProperty, Notify, "Report Writer Error"},
};

std::vector<MessageRow> ParseBuiltIn() {
  std::vector<MessageRow> rows;
  EXPECT_TRUE(ParseMessageTable(BuiltInMessageTable(), rows));
  return rows;
}

TEST(BuiltInMessageTable, PackedFormParsesBackToEveryRowExactly) {
  std::span<const std::uint8_t> table = BuiltInMessageTable();
  ASSERT_GE(table.size(), 2u);
  EXPECT_EQ(table[0] | (table[1] << 8), 52) << "row count, little-endian";
  std::vector<MessageRow> rows = ParseBuiltIn();
  ASSERT_EQ(rows.size(), 52u);
  ASSERT_EQ(std::size(kExpected), 52u);
  std::span<const MessageRow> source = BuiltInMessageRows();
  for (std::size_t i = 0; i < rows.size(); ++i) {
    SCOPED_TRACE(kExpected[i].number);
    EXPECT_EQ(kExpected[i].id, kExpected[i].number);
    EXPECT_EQ(rows[i].id, kExpected[i].id);
    EXPECT_EQ(rows[i].level, kExpected[i].level);
    EXPECT_EQ(rows[i].title, kExpected[i].title);
    EXPECT_EQ(rows[i], source[i]);
    // Rows read back point into the table's own bytes.
    auto inTable = [&](std::string_view s) {
      auto* begin = reinterpret_cast<const char*>(table.data());
      return s.data() >= begin && s.data() + s.size() <= begin + table.size();
    };
    EXPECT_TRUE(inTable(rows[i].title) && inTable(rows[i].text));
  }
  std::set<int> ids;
  for (const MessageRow& row : rows) ids.insert(row.id);
  EXPECT_EQ(ids.size(), 52u);
  EXPECT_EQ(ids.count(32), 0u);
}

TEST(BuiltInMessageTable, TextsAreVerbatim) {
  std::vector<MessageRow> rows = ParseBuiltIn();
  auto text = [&](MessageId id) {
    for (const MessageRow& row : rows) {
      if (row.id == id) return std::string(row.text);
    }
    return std::string("<missing>");
  };
  const std::pair<MessageId, const char*> cases[] = {
      {MsgRetrieveFailed,
       "Error: (%ErrorText) attempting to access a record from the %File file.  Returning to "
       "previous window."},
      {MsgInsertFailed,
       "An error was experienced during the creation of a record.|File: %File|Error: "
       "%ErrorText."},
      {MsgChangedElsewhereShown,
       "This record was changed by another station. Those changes will now be displayed. Use "
       "the Ditto Button or Ctrl+H to recall your changes."},
      {MsgConfirmDelete, "Are you sure you want to delete the highlighted record?"},
      {MsgDeleteNotAllowed, "This form cannot be used to delete a record"},
      {MsgNotInList, "The value of %Field must be in the list : %Message."},
      {MsgNoRecords, "There are no records available to process."},
      {MsgAutoNumberFailed,
       "Attempts to automatically number this record have failed.|File: %File|Key: %Key|Error: "
       "%ErrorText.|Try Again?"},
      {MsgFileNotOpen, "Attempt to use file (%File) before it was opened"},
      {MsgSmtpError, "The following SMTP Error occurred: %Message "},
      {MsgNntpError, "%Message "},
      {MsgReportBadComment, "Poorly Formed Comment String \"%Message\" at Position %Field."},
      {MsgReportUnknownProperty, "Unknown Property %Message."},
  };
  for (const auto& [id, expected] : cases) {
    EXPECT_EQ(text(id), expected) << "message " << id;
  }
}

TEST(MessageTable, RunTimePackingRoundTripsAndRejectsOversizedFields) {
  const std::string longText(256, 'x');
  const std::string maxText(255, 'y');
  const MessageRow rows[] = {
      {7, Notify, "T\xC3\xA9tulo", "caf\xC3\xA9|second line "},
      {65535, 200, "", ""},
      {300, User, "max", maxText},
  };
  std::vector<std::uint8_t> packed = PackMessageTable(rows);
  ASSERT_EQ(packed.size(), PackedTableSize(rows));
  std::vector<MessageRow> back;
  ASSERT_TRUE(ParseMessageTable(packed, back));
  EXPECT_EQ(back, std::vector<MessageRow>(std::begin(rows), std::end(rows)));
  EXPECT_EQ(packed[2 + 0], 7);  // identifier low byte first
  EXPECT_EQ(packed[2 + 2], Notify);
  EXPECT_EQ(packed[2 + 3], 7);  // title length in bytes, UTF-8

  const MessageRow tooLong[] = {{1, Notify, "t", longText}};
  EXPECT_TRUE(PackMessageTable(tooLong).empty());
}

TEST(MessageTable, TruncatedTablesKeepCompleteRowsAndNeverReadPastTheEnd) {
  const MessageRow rows[] = {{1, Notify, "One", "first"}, {2, User, "Two", "second"}};
  std::vector<std::uint8_t> packed = PackMessageTable(rows);
  const std::size_t firstRowEnd = 2 + 2 + 1 + 1 + 3 + 1 + 5;
  for (std::size_t cut = 0; cut < packed.size(); ++cut) {
    SCOPED_TRACE(cut);
    // A copy of exactly `cut` bytes: any read past it is caught by the address sanitizer.
    std::vector<std::uint8_t> part(packed.begin(), packed.begin() + cut);
    std::vector<MessageRow> back;
    EXPECT_FALSE(ParseMessageTable(part, back));
    EXPECT_EQ(back.size(), cut >= firstRowEnd ? 1u : 0u);
  }
  std::vector<MessageRow> back;
  EXPECT_TRUE(ParseMessageTable(std::vector<std::uint8_t>{0, 0}, back));
  EXPECT_TRUE(back.empty());
}

}  // namespace
}  // namespace kv
