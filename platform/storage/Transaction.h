#pragma once

#include "platform/storage/ErrorCode.h"

namespace kv {

class Table;

// Transactions over the calling thread's enrolled tables. A table is enrolled by setting its
// kPropEnrolled property to "1" (kNotSupportedError from drivers without transactions, such as
// the text driver). Enrolment lasts until the transaction ends with a commit or a rollback.
// Tables reached through the same connection share one database transaction.
// Thread: the calling thread's tables only; other threads' transactions are separate.

// Begins a transaction on every connection of the enrolled tables; lock waits inside it are
// bounded by `timeoutSeconds`. Errors: kNotSupportedError with no enrolled table; a driver
// error when a connection refuses (the ones already begun are rolled back).
[[nodiscard]] ErrorCode BeginTransaction(int timeoutSeconds);

// Commits every connection of the transaction and ends it. A transaction that a failed
// statement already rolled back (drivers roll back at once after an error inside a transaction)
// reports kDriverError here, so the caller never believes lost changes were kept.
[[nodiscard]] ErrorCode CommitTransaction();

// Rolls back and ends the transaction; succeeds also when a driver already rolled back.
ErrorCode RollbackTransaction();

// True while the calling thread has a transaction begun and not yet ended.
bool InTransaction();

// For Table: enrolment bookkeeping of the calling thread.
void EnrolTable(Table* table);
void ForgetTable(Table* table);
bool IsEnrolled(const Table* table);

}  // namespace kv
