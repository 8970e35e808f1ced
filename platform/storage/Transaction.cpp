#include "platform/storage/Transaction.h"

#include <algorithm>
#include <vector>

#include "platform/storage/LastError.h"
#include "platform/storage/Table.h"

namespace kv {
namespace {

struct ThreadTransaction {
  std::vector<Table*> enrolled;
  std::vector<Table*> begun;  // one table per connection on which a transaction was begun
  bool active = false;
};

thread_local ThreadTransaction tTx;

// One table for each distinct connection among the enrolled tables.
std::vector<Table*> DistinctScopes() {
  std::vector<Table*> out;
  std::vector<std::uintptr_t> seen;
  for (Table* t : tTx.enrolled) {
    std::uintptr_t scope = t->TransactionScope();
    if (scope && std::find(seen.begin(), seen.end(), scope) != seen.end()) continue;
    seen.push_back(scope);
    out.push_back(t);
  }
  return out;
}

void End() {
  tTx.enrolled.clear();
  tTx.begun.clear();
  tTx.active = false;
}

}  // namespace

ErrorCode BeginTransaction(int timeoutSeconds) {
  if (tTx.active)
    return ReportStorageError(
        StorageError::Of(kDriverError, "", "a transaction is already active"));
  if (tTx.enrolled.empty())
    return ReportStorageError(StorageError::Of(kNotSupportedError, "", "no table is enrolled"));
  for (Table* t : DistinctScopes()) {
    StorageError e = t->BeginTransactionPart(timeoutSeconds);
    if (!e.ok()) {
      for (Table* b : tTx.begun) (void)b->RollbackPart();
      End();
      return ReportStorageError(std::move(e));
    }
    tTx.begun.push_back(t);
  }
  tTx.active = true;
  return ReportSuccess();
}

ErrorCode CommitTransaction() {
  if (!tTx.active)
    return ReportStorageError(StorageError::Of(kDriverError, "", "no transaction is active"));
  StorageError first;
  for (Table* t : tTx.begun) {
    StorageError e = first.ok() ? t->CommitPart() : t->RollbackPart();
    if (!e.ok() && first.ok()) first = std::move(e);
  }
  End();
  return ReportStorageError(std::move(first));
}

ErrorCode RollbackTransaction() {
  if (!tTx.active) {
    tTx.enrolled.clear();
    return ReportSuccess();
  }
  for (Table* t : tTx.begun) (void)t->RollbackPart();
  End();
  return ReportSuccess();
}

bool InTransaction() {
  return tTx.active;
}

void EnrolTable(Table* table) {
  if (!IsEnrolled(table)) tTx.enrolled.push_back(table);
}

void ForgetTable(Table* table) {
  auto drop = [&](std::vector<Table*>& v) {
    v.erase(std::remove(v.begin(), v.end(), table), v.end());
  };
  drop(tTx.enrolled);
  drop(tTx.begun);
}

bool IsEnrolled(const Table* table) {
  return std::find(tTx.enrolled.begin(), tTx.enrolled.end(), table) != tTx.enrolled.end();
}

}  // namespace kv
