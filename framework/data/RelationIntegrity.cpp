// RelationManager: updates and deletes with referential integrity down the tree of relations.

#include "framework/data/FileManager.h"
#include "framework/data/RelationManager.h"
#include "platform/storage/Transaction.h"

namespace kv {

namespace {

bool TakesPart(std::uint8_t mode) {
  return mode >= RelationClear && mode <= RelationCascade;
}

constexpr int kMaxKeyComponents = 22;

// Commits the thread's transaction when one is open. A failed commit is reported: the caller
// must not believe changes were kept that the database threw away.
ResultLevel Commit(FileManager& me) {
  if (!InTransaction()) return Benign;
  if (CommitTransaction() == kNoError) return Benign;
  (void)me.ReportError(MsgTransactionFailed);
  return Notify;
}

}  // namespace

ResultLevel RelationManager::Update(bool history) {
  ResultLevel result = ForceOpen(false);
  auto leave = [&](ResultLevel r) {
    (void)Close(false);
    return r;
  };
  if (result != Benign) return leave(result);
  if (USELOGOUT) {
    if ((result = Enrol(true)) != Benign) return leave(result);
    if (USELOGOUT && (result = BeginTransaction()) != Benign) return leave(result);
  }
  result = ME->TryUpdate();
  if (result != Benign) {
    Rollback();
    if (history && ME->LASTERROR == MsgChangedElsewhere) ME->LASTERROR = MsgChangedElsewhereShown;
    if (result == Notify) (void)ME->ReportLastError();
    const bool changed =
        ME->LASTERROR == MsgChangedElsewhere || ME->LASTERROR == MsgChangedElsewhereShown;
    return leave(changed ? Notify : User);
  }
  EnsureRelations();
  for (RelationRow& row : RELATIONS) {
    if (!TakesPart(row.UPDATEMODE) || row.FIELDS->EqualLeftBuffer(0)) continue;
    result = row.FILE->CascadeUpdateChild(row.HISKEY, *row.FIELDS, row.UPDATEMODE);
    if (result != Benign) {
      // The change was rolled back: the linking fields get the values stored again.
      (void)row.FIELDS->AssignBufferToLeft();
      return leave(result);
    }
  }
  return leave(Commit(*ME));
}

void RelationManager::PositionChildren(int key, BufferedPairList& pairs, bool fromBuffer) {
  Table& file = *ME->FILE;
  file.Decl().Layout().Clear(file.Record());
  (void)(fromBuffer ? pairs.AssignBufferToRight() : pairs.AssignLeftToRight());
  if (key != 0) {
    ME->ClearKeyComponents(key, pairs.Count() + 1, kMaxKeyComponents, false);
    (void)file.SetKeyValues(key);
  } else {
    (void)file.SetKey(0);  // no key leads with the linking fields: every record is looked at
  }
}

ResultLevel RelationManager::CascadeUpdateChild(int key, BufferedPairList& pairs,
                                                std::uint8_t mode) {
  if (ME->PrepareUse(UseRecord) != Benign) return Notify;
  std::uint16_t state = ME->SaveFile();
  PositionChildren(key, pairs, true);
  ResultLevel result = Benign;
  for (;;) {
    const ResultLevel r = ME->TryNext();
    if (r == Notify && ME->ATEOF) break;
    if (r != Benign) {  // a read error, or a record held by another station
      Rollback();
      (void)ME->ReportLastError();
      result = Notify;
      break;
    }
    if (!pairs.EqualRightBuffer(0)) {
      if (key == 0) continue;
      break;
    }
    SaveLinkValues();
    if (mode == RelationRestrict) {
      ME->SetError(MsgUpdateRestricted);
      Rollback();
      (void)ME->ReportLastError();
      (void)pairs.AssignBufferToLeft();
      result = Notify;
      break;
    }
    if (mode == RelationClear)
      pairs.ClearRight();
    else if (mode == RelationCascade)
      (void)pairs.AssignLeftToRight();
    else
      break;
    if (WriteRelated() != Benign) {
      result = Notify;
      break;
    }
  }
  ME->RestoreFile(state, true);
  return result;
}

ResultLevel RelationManager::WriteRelated() {
  EnsureRelations();
  for (RelationRow& row : RELATIONS) {
    if (!TakesPart(row.UPDATEMODE) || row.FIELDS->EqualLeftBuffer(0)) continue;
    if (row.FILE->CascadeUpdateChild(row.HISKEY, *row.FIELDS, row.UPDATEMODE) != Benign) {
      (void)row.FIELDS->AssignBufferToLeft();
      return Notify;
    }
  }
  if (ME->TryUpdate() != Benign) {
    Rollback();
    (void)ME->ReportLastError();
    return Notify;  // whatever the answer, the write did not happen
  }
  return Benign;
}

ResultLevel RelationManager::Delete(bool ask) {
  if (ask && ME->ReportError(MsgConfirmDelete) != Benign) return Cancel;
  for (;;) {
    const std::string position = ME->GetPosition();
    ResultLevel result = ForceOpen(false);
    if (result == Benign && USELOGOUT) {
      result = Enrol(false);
      if (result == Benign && USELOGOUT) result = BeginTransaction();
    }
    if (result == Benign && ME->Reget(position) != Benign) {
      ME->SetError(MsgRetrieveFailed);
      (void)ME->ReportLastError();
      result = Notify;
    }
    if (result == Benign) {
      EnsureRelations();
      for (RelationRow& row : RELATIONS) {
        if (!TakesPart(row.DELETEMODE)) continue;
        result = row.FILE->CascadeDeleteChild(row.HISKEY, *row.FIELDS, row.DELETEMODE, false);
        if (result != Benign) break;
      }
    }
    if (result != Benign) {
      Rollback();
      (void)Close(false);
      return result;
    }
    bool eraseFailed = false;
    if (ME->EraseRecord(false) != Benign) {
      Rollback();
      (void)ME->ReportLastError();
      result = Notify;
      eraseFailed = true;
    } else {
      result = Commit(*ME);
    }
    (void)Close(false);
    if (!eraseFailed) return result;
    if (ME->ReportError(MsgRetryDelete) != Benign) return Notify;
  }
}

ResultLevel RelationManager::CascadeDeleteChild(int key, BufferedPairList& pairs, std::uint8_t mode,
                                                bool ask) {
  if (ME->PrepareUse(UseRecord) != Benign) return Notify;
  std::uint16_t state = ME->SaveFile();
  PositionChildren(key, pairs, false);
  ResultLevel result = Benign;
  for (bool going = true; going;) {
    const ResultLevel r = ME->TryNext();
    if (r == Notify && ME->ATEOF) break;
    if (r != Benign) {
      Rollback();
      (void)ME->ReportLastError();
      result = Notify;
      break;
    }
    if (!pairs.EqualLeftRight()) {
      if (key == 0) continue;
      break;
    }
    if (ME->SkipInCascade()) continue;
    switch (mode) {
      case RelationRestrict:
        ME->SetError(MsgDeleteRestricted);
        Rollback();
        (void)ME->ReportLastError();
        result = Notify;
        going = false;
        break;
      case RelationClear:
        SaveLinkValues();
        pairs.ClearRight();
        if (WriteRelated() != Benign) {
          result = Notify;
          going = false;
        }
        break;
      case RelationCascade:
        EnsureRelations();
        for (RelationRow& row : RELATIONS) {
          if (!TakesPart(row.DELETEMODE)) continue;
          result = row.FILE->CascadeDeleteChild(row.HISKEY, *row.FIELDS, row.DELETEMODE, ask);
          if (result != Benign) break;
        }
        if (result != Benign) {
          going = false;
          break;
        }
        if (ME->EraseRecord(ask) != Benign) {
          Rollback();
          (void)ME->ReportLastError();
          result = Notify;
          going = false;
        }
        break;
      default:
        going = false;
        break;
    }
  }
  ME->RestoreFile(state, true);
  return result;
}

}  // namespace kv
