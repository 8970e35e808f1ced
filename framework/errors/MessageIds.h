#pragma once

#include <cstdint>

namespace kv {

// Identifiers of the rows of the error manager's message table. A caller names the message it
// reports by one of these; the built-in table (BuiltInMessageTable.h) holds a row for each.
// Identifier 32 is not used. 65535 is reserved: given to SetMessageCategory or
// GetMessageCategory it stands for the default category.
using MessageId = std::uint16_t;

inline constexpr MessageId MsgRetrieveFailed = 1;
inline constexpr MessageId MsgReadOnlyAccess = 2;
inline constexpr MessageId MsgRecordAdded = 3;
inline constexpr MessageId MsgInsertFailed = 4;
inline constexpr MessageId MsgAddNewRecord = 5;
inline constexpr MessageId MsgCloseFailed = 6;
inline constexpr MessageId MsgChangedElsewhere = 7;
inline constexpr MessageId MsgChangedElsewhereShown = 8;
inline constexpr MessageId MsgChangedOrDeletedElsewhere = 9;
inline constexpr MessageId MsgChangesWillBeLost = 10;
inline constexpr MessageId MsgConfirmDelete = 11;
inline constexpr MessageId MsgCreateFailed = 12;
inline constexpr MessageId MsgDeleteFailed = 13;
inline constexpr MessageId MsgDeleteNotAllowed = 14;
inline constexpr MessageId MsgDuplicateKey = 15;
inline constexpr MessageId MsgNotFoundInFile = 16;
inline constexpr MessageId MsgNotInList = 17;
inline constexpr MessageId MsgNotInRange = 18;
inline constexpr MessageId MsgAboveUpperLimit = 19;
inline constexpr MessageId MsgBelowLowerLimit = 20;
inline constexpr MessageId MsgLoadFailed = 21;
inline constexpr MessageId MsgWmfReadFailed = 22;
inline constexpr MessageId MsgInsertNotAllowed = 23;
inline constexpr MessageId MsgTransactionFailed = 24;
inline constexpr MessageId MsgNoRecords = 25;
inline constexpr MessageId MsgOpenFailed = 26;
inline constexpr MessageId MsgProcedureNotDefined = 27;
inline constexpr MessageId MsgUpdateFailed = 28;
inline constexpr MessageId MsgKeyNotBuilt = 29;
inline constexpr MessageId MsgInvalidKey = 30;
inline constexpr MessageId MsgRecordHeld = 31;
inline constexpr MessageId MsgDeleteRestricted = 33;
inline constexpr MessageId MsgUpdateRestricted = 34;
inline constexpr MessageId MsgAutoNumberFailed = 35;
inline constexpr MessageId MsgRetryDelete = 36;
inline constexpr MessageId MsgRetryUpdate = 37;
inline constexpr MessageId MsgSaveRecord = 38;
inline constexpr MessageId MsgBeginningOfFile = 39;
inline constexpr MessageId MsgEndOfFile = 40;
inline constexpr MessageId MsgChangeNotAllowed = 41;
inline constexpr MessageId MsgFileNotOpen = 42;
inline constexpr MessageId MsgViewOpenFailed = 43;
inline constexpr MessageId MsgQueryColumnDropped = 44;
inline constexpr MessageId MsgSmtpError = 45;
inline constexpr MessageId MsgNntpError = 46;
inline constexpr MessageId MsgWinsockError = 47;
inline constexpr MessageId MsgWmfQueueAddFailed = 48;
inline constexpr MessageId MsgWmfInvalidFile = 49;
inline constexpr MessageId MsgWmfInvalidControl = 50;
inline constexpr MessageId MsgWmfIdNotFound = 51;
inline constexpr MessageId MsgReportBadComment = 52;
inline constexpr MessageId MsgReportUnknownProperty = 53;

// The identifier that stands for the default category (-1 as a 16-bit value).
inline constexpr MessageId kDefaultCategoryId = 65535;

}  // namespace kv
