#include "framework/errors/BuiltInMessageTable.h"

#include <array>

namespace kv {
namespace {

// Texts keep their exact wording, blanks included (a few end in a blank); "|" separates lines.
constexpr std::array<MessageRow, 52> kRows{{
    {MsgRetrieveFailed, Notify, "Record Retrieval Error",
     "Error: (%ErrorText) attempting to access a record from the %File file.  Returning to "
     "previous window."},
    {MsgReadOnlyAccess, Notify, "Access Denied",
     "Could not get write access to %File so trying read-only."},
    {MsgRecordAdded, User, "Record Added",
     "This record has been added to the file. Do you want to add another record?"},
    {MsgInsertFailed, Notify, "Record Insert Error",
     "An error was experienced during the creation of a record.|File: %File|Error: %ErrorText."},
    {MsgAddNewRecord, Notify, "Add New Record?",
     "Record match not found, do you wish to add a new one?"},
    {MsgCloseFailed, Notify, "File Access Error",
     "File %File could not be closed.  Error: %ErrorText."},
    {MsgChangedElsewhere, Notify, "Record Was Not Updated",
     "This record was changed by another station."},
    {MsgChangedElsewhereShown, Notify, "Record Was Not Updated",
     "This record was changed by another station. Those changes will now be displayed. Use the "
     "Ditto Button or Ctrl+H to recall your changes."},
    {MsgChangedOrDeletedElsewhere, Notify, "Record Retrieval Error",
     "This record was changed or deleted by another station.|Error: (%ErrorText) attempting to "
     "access a record from the %File file."},
    {MsgChangesWillBeLost, User, "Changes will be lost!", "Are you sure you want to cancel?"},
    {MsgConfirmDelete, User, "Confirm Delete",
     "Are you sure you want to delete the highlighted record?"},
    {MsgCreateFailed, Fatal, "File Creation Error", "Error: (%ErrorText) creating %File."},
    {MsgDeleteFailed, Notify, "Record was not deleted",
     "An error (%ErrorText) was experienced when deleting a record from the %File file."},
    {MsgDeleteNotAllowed, Notify, "Invalid Request", "This form cannot be used to delete a record"},
    {MsgDuplicateKey, Notify, "Duplicate Key Error",
     "Adding this record creates a duplicate entry for the key: %Message"},
    {MsgNotFoundInFile, Notify, "Field contents error",
     "The value of %Field must be found in the %Message file."},
    {MsgNotInList, Notify, "Value Error", "The value of %Field must be in the list : %Message."},
    {MsgNotInRange, Notify, "Range Error", "The value of %Field must be in range %Message."},
    {MsgAboveUpperLimit, Notify, "Range Error", "The value of %Field must be lower than %Message."},
    {MsgBelowLowerLimit, Notify, "Range Error",
     "The value of %Field must be higher than %Message."},
    {MsgLoadFailed, Notify, "File Load Error", "%File File Load Error.  Error: %ErrorText."},
    {MsgWmfReadFailed, Fatal, "WMF Parser Error", "Get next record from file %File failed."},
    {MsgInsertNotAllowed, Notify, "Invalid Request", "This form cannot be used to insert a record"},
    {MsgTransactionFailed, Notify, "Transaction cancelled",
     "Error: (%ErrorText) attempting to frame the transaction on %File."},
    {MsgNoRecords, Notify, "No Records", "There are no records available to process."},
    {MsgOpenFailed, Fatal, "File Access Error",
     "File %File could not be opened.  Error: %ErrorText."},
    {MsgProcedureNotDefined, Notify, "Procedure not defined",
     "The Procedure %Message has not been defined."},
    {MsgUpdateFailed, Notify, "Record was not updated",
     "An error (%ErrorText) was experienced when making changes to the %File file."},
    {MsgKeyNotBuilt, Fatal, "Key was not built", "Error: (%ErrorText) repairing key for %File."},
    {MsgInvalidKey, Notify, "Invalid Key", "%File key file is invalid. Key must be rebuilt."},
    {MsgRecordHeld, Notify, "Record not read",
     "A record held by another station was encountered reading from the %File file."},
    {MsgDeleteRestricted, Notify, "Referential Integrity Delete Error",
     "This record is referenced from the file %File. This record cannot be deleted while these "
     "references exist."},
    {MsgUpdateRestricted, Notify, "Referential Integrity Update Error",
     "This record is referenced from the file %File. Linking field(s) have been restricted from "
     "change and have been reset to original values."},
    {MsgAutoNumberFailed, User, "Auto Increment Error",
     "Attempts to automatically number this record have failed.|File: %File|Key: %Key|Error: "
     "%ErrorText.|Try Again?"},
    {MsgRetryDelete, User, "Record Delete Error",
     "An error was experienced deleting this record. Do you want to try to delete it again?"},
    {MsgRetryUpdate, User, "Record Update Error",
     "An error was experienced changing this record. Do you want to try to save again?"},
    {MsgSaveRecord, User, "Save Record", "Do you want to save the changes to this record?"},
    {MsgBeginningOfFile, User, "Beginning of File Error",
     "The beginning of the file %File was encountered. Do you want to start again from the end of "
     "the file?"},
    {MsgEndOfFile, User, "End of File Error",
     "The end of the file %File was encountered. Do you want to start again from the beginning?"},
    {MsgChangeNotAllowed, Notify, "Invalid Request", "This form cannot be used to update a record"},
    {MsgFileNotOpen, Program, "File Usage Error",
     "Attempt to use file (%File) before it was opened"},
    {MsgViewOpenFailed, Notify, "View Open Error",
     "Error: (%ErrorText) attempting to open the current VIEW. Filter and Range Limits ignored."},
    {MsgQueryColumnDropped, Notify, "Unsupported QBE Column",
     "The saved QBE column, %Field is not supported. It will be dropped from the query."},
    {MsgSmtpError, Notify, "SMTP Error", "The following SMTP Error occurred: %Message "},
    {MsgNntpError, Notify, "NNTP Error", "%Message "},
    {MsgWinsockError, Notify, "Winsock Error", "%Message "},
    {MsgWmfQueueAddFailed, Fatal, "WMF Parser Error",
     "Adding record to queue failed. Parsing %File."},
    {MsgWmfInvalidFile, Fatal, "WMF Parser Error", "The File %File is not a valid WMF file."},
    {MsgWmfInvalidControl, Fatal, "WMF Parser Error",
     "Invalid %Field control found. Parsing %File."},
    {MsgWmfIdNotFound, Fatal, "WMF Parser Error", "Cannot find %Field id. Parsing %File."},
    {MsgReportBadComment, Notify, "Report Writer Error",
     "Poorly Formed Comment String \"%Message\" at Position %Field."},
    {MsgReportUnknownProperty, Notify, "Report Writer Error", "Unknown Property %Message."},
}};

static_assert(AllRowsFit(kRows), "a built-in title or text is longer than 255 bytes");

constexpr auto kPacked = PackMessageTable<PackedTableSize(kRows)>(kRows);

}  // namespace

std::span<const MessageRow> BuiltInMessageRows() {
  return kRows;
}

std::span<const std::uint8_t> BuiltInMessageTable() {
  return kPacked;
}

}  // namespace kv
