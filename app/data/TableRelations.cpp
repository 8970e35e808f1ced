#include "app/data/TableRelations.h"

namespace kv {

void TableRelations::Init(FileManager& file, bool useTransactions) {
  ME = &file;
  USELOGOUT = useTransactions;
  LOGOUTTIMEOUT = 2;
  KILLED = false;
}

ResultLevel TableRelations::Open() {
  if (ME == nullptr || KILLED) return Fatal;
  (void)ME->Open();
  // The logical open of a lazy file opens nothing; the real open shows at once whether the
  // table can be used.
  return ME->PrepareUse(UseRecord);
}

ResultLevel TableRelations::Close() {
  if (ME == nullptr || KILLED) return Benign;
  return ME->Close();
}

ResultLevel TableRelations::Update(bool) {
  if (ME == nullptr || KILLED) return Fatal;
  return ME->Update();
}

ResultLevel TableRelations::Delete(bool ask) {
  if (ME == nullptr || KILLED) return Fatal;
  ResultLevel r = ME->EraseRecord(ask);
  // EraseRecord leaves a failed delete for its caller to show.
  if (r == Notify) return ME->ReportLastError();
  return r;
}

void TableRelations::Kill() {
  ME = nullptr;
  KILLED = true;
}

}  // namespace kv
