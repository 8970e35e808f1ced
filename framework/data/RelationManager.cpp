#include "framework/data/RelationManager.h"

#include <algorithm>
#include <cstdlib>

#include "framework/data/FileManager.h"
#include "framework/data/ManagerRegistry.h"
#include "platform/storage/Transaction.h"

namespace kv {

namespace {

thread_local std::int32_t tWalkCounter = 0;

ResultLevel DeleteThrough(RelationManager& relations) {
  return relations.Delete(false);
}

}  // namespace

RelationManager::RelationManager() {
  // A file manager cancelling an auto-numbered record deletes it through its relation manager.
  FileManager::SetRelationDelete(&DeleteThrough);
}

RelationManager::~RelationManager() {
  Kill();
}

std::int32_t RelationManager::WalkCounter() {
  return tWalkCounter;
}

void RelationManager::Init(FileManager& me, bool useTransactions) {
  ME = &me;
  RELATIONS.clear();
  USELOGOUT = useTransactions;
  LOGOUTTIMEOUT = 2;
  DEFEREDRELATIONSDONE = false;
  inited_ = true;
  killed_ = false;
  label_ = ME->FILE != nullptr ? ME->FILE->InstanceId() : 0;
  if (label_ != 0) ManagerRegistry::ThisThread().AddRelationManager(label_, this);
}

void RelationManager::Kill() {
  if (!inited_ || killed_) return;
  killed_ = true;
  // The label taken at Init: the file manager may already be gone when this one is destroyed.
  if (label_ != 0) ManagerRegistry::ThisThread().RemoveRelationManager(label_, this);
  for (RelationRow& row : RELATIONS)
    if (row.FIELDS) row.FIELDS->Kill();
  RELATIONS.clear();
}

void RelationManager::DefineRelations() {}

void RelationManager::EnsureRelations() {
  if (DEFEREDRELATIONSDONE) return;
  DEFEREDRELATIONSDONE = true;
  defining_ = true;
  DefineRelations();
  defining_ = false;
}

bool RelationManager::AddRelation(RelationManager& related,
                                  const std::vector<std::pair<VarRef, VarRef>>& links, int hisKey,
                                  std::uint8_t updateMode, std::uint8_t deleteMode) {
  if (!defining_ || links.empty()) return false;
  RelationRow row;
  row.FILE = &related;
  row.FIELDS = std::make_unique<BufferedPairList>();
  row.FIELDS->Init();
  for (const auto& [left, right] : links) row.FIELDS->AddPair(left, right);
  row.HISKEY = hisKey;
  row.UPDATEMODE = updateMode;
  row.DELETEMODE = deleteMode;
  RELATIONS.push_back(std::move(row));
  return true;
}

ResultLevel RelationManager::CancelAutoNumber() {
  return ME->CancelAutoNumber(this);
}

// ---- Open and close walks ----------------------------------------------------------------------

ResultLevel RelationManager::Walk(bool opening, bool continuing) {
  if (!continuing)
    ++tWalkCounter;
  else if (LASTTOUCHED == tWalkCounter)
    return Benign;
  const bool forcing = FORCINGOPEN;
  LASTTOUCHED = tWalkCounter;
  ResultLevel result;
  if (opening) {
    result = ME->Open();
    if (!continuing) result = ME->PrepareUse(UseRecord);
  } else {
    result = ME->Close();
  }
  if (!continuing || forcing) EnsureRelations();
  for (RelationRow& row : RELATIONS) {
    if (result != Benign) break;
    FileManager& other = *row.FILE->ME;
    const std::int32_t before = other.OPENED;
    if (opening) {
      result = forcing ? row.FILE->ForceOpen(true) : row.FILE->Open(true);
      if (other.OPENED > before) ++row.OPENED;
    } else if (row.OPENED != 0) {
      result = row.FILE->Close(true);
      if (other.OPENED < before) --row.OPENED;
    }
  }
  return result;
}

ResultLevel RelationManager::Open(bool continuing) {
  if (!ME->LAZYOPEN) FORCINGOPEN = true;
  ResultLevel r = Walk(true, continuing);
  FORCINGOPEN = false;
  return r;
}

ResultLevel RelationManager::ForceOpen(bool continuing) {
  FORCINGOPEN = true;
  return Open(continuing);
}

ResultLevel RelationManager::Close(bool continuing) {
  return Walk(false, continuing);
}

void RelationManager::SaveLinkValues() {
  // Relations are defined on first need; saving before they exist would save nothing and let
  // the next Update miss every changed link.
  EnsureRelations();
  for (RelationRow& row : RELATIONS) (void)row.FIELDS->AssignLeftToBuffer();
}

void RelationManager::SetQuickScan(std::uint8_t on, std::uint8_t propagation) {
  if (ME->IsOpen() && ME->FILE != nullptr)
    (void)ME->FILE->Send(on == 1 ? "QUICKSCAN=on" : "QUICKSCAN=off");
  if (propagation == 0) return;
  if ((propagation & 0x80) == 0) {
    ++tWalkCounter;
    propagation |= 0x80;
  } else if (LASTTOUCHED == tWalkCounter) {
    return;
  }
  LASTTOUCHED = tWalkCounter;
  EnsureRelations();
  const int kind = propagation & 0x7F;
  for (RelationRow& row : RELATIONS) {
    if (kind == 1 && row.HISKEY != 0) continue;
    if (kind == 2 && row.HISKEY == 0) continue;
    row.FILE->SetQuickScan(on, propagation);
  }
}

// ---- Transactions ------------------------------------------------------------------------------

ResultLevel RelationManager::EnrolOne() {
  if (ME->PrepareUse(UseRecord) != Benign) return Notify;
  if (!USELOGOUT) return Benign;
  FileManager* owner = ME->ALIASEDFILE != nullptr ? ME->ALIASEDFILE : ME;
  Table* file = owner->FILE;
  if (std::atoi(file->Property(kPropEnrolled).c_str()) >= 1) return Benign;
  const ErrorCode rc = file->SetProperty(kPropEnrolled, "1");
  if (rc == kNoError) return Benign;
  if (rc == kNotSupportedError) {
    USELOGOUT = false;  // the driver has no transactions: work without them from now on
    return Benign;
  }
  (void)ME->ReportError(MsgTransactionFailed);
  return Notify;
}

ResultLevel RelationManager::Enrol(bool update) {
  // Relations may form cycles: each manager is enrolled once per enrolment.
  std::vector<RelationManager*> seen;
  struct Walker {
    std::vector<RelationManager*>& seen;
    ResultLevel Run(RelationManager& m, bool update) {
      if (std::find(seen.begin(), seen.end(), &m) != seen.end()) return Benign;
      seen.push_back(&m);
      ResultLevel r = m.EnrolOne();
      if (r != Benign) return r;
      m.EnsureRelations();
      for (RelationRow& row : m.RELATIONS) {
        const std::uint8_t mode = update ? row.UPDATEMODE : row.DELETEMODE;
        if (mode == RelationCascade)
          r = Run(*row.FILE, update);
        else if (mode == RelationClear)
          r = Run(*row.FILE, true);
        if (r != Benign) return r;
      }
      return Benign;
    }
  } walker{seen};
  return walker.Run(*this, update);
}

ResultLevel RelationManager::BeginTransaction() {
  if (kv::BeginTransaction(LOGOUTTIMEOUT) == kNoError) return Benign;
  (void)ME->ReportError(MsgTransactionFailed);
  return Notify;
}

void RelationManager::Rollback() {
  if (InTransaction()) (void)RollbackTransaction();
}

}  // namespace kv
