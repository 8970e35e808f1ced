// BrowseManager: reading the view, filling pages and scrolling.

#include <algorithm>

#include "framework/browse/BrowseManager.h"
#include "framework/browse/Locator.h"
#include "framework/data/FileManager.h"
#include "framework/data/RelationManager.h"
#include "framework/window/ToolbarTarget.h"
#include "framework/window/WindowManager.h"
#include "platform/window/EventLoop.h"

namespace kv {

namespace {

// A page read prefetches at most this many rows in one statement.
constexpr std::int32_t kMaxPrefetch = 60;

bool IsScrollEvent(int code) {
  return code >= kEventScrollUp && code <= kEventScrollBottom;
}

}  // namespace

// ---- Reading ------------------------------------------------------------------------------------

ResultLevel BrowseManager::Next() {
  const ResultLevel r = ViewManager::Next();
  if (r == Notify) RestoreResetFields();
  if (r == Fatal && WINDOW != nullptr) WINDOW->MYWINDOW.Post(kEventCloseWindow);
  return r;
}

ResultLevel BrowseManager::Previous() {
  const ResultLevel r = ViewManager::Previous();
  if (r == Notify) RestoreResetFields();
  if (r == Fatal && WINDOW != nullptr) WINDOW->MYWINDOW.Post(kEventCloseWindow);
  return r;
}

void BrowseManager::RestoreResetFields() {
  if (BrowseSortOrder* s = CurrentSort()) s->RestoreResets();
}

bool BrowseManager::ApplyRange() {
  bool changed = false;
  const std::int32_t items = ILC != nullptr ? ILC->GetItems() : -1;
  if (items != LASTITEMS && items >= 0) {
    if (FILELOADED) {
      LASTITEMS = 2147483647;
    } else {
      LASTITEMS = items;
      changed = true;
    }
  }
  if (!changed) {
    changed = ViewManager::ApplyRange();
    if (BrowseSortOrder* s = CurrentSort(); !changed && s != nullptr) changed = s->ResetsChanged();
  }
  if (changed) LOADPENDING = 1;
  return changed;
}

int BrowseManager::Prefetch() const {
  return VIEW != nullptr ? VIEW->Prefetch() : 0;
}

void BrowseManager::SetPrefetch(int rows) {
  if (VIEW != nullptr) VIEW->SetPrefetch(rows);
}

void BrowseManager::SetPrefetchFor(std::int32_t rows) {
  if (USEMRP && Prefetch() == 0) SetPrefetch(std::min(rows, kMaxPrefetch));
}

// ---- Rows and records ---------------------------------------------------------------------------

void BrowseManager::FillRowFromRecord() {
  (void)FIELDS->AssignLeftToRight();
  LISTQUEUE->SetPosition(VIEW->Position());
}

void BrowseManager::LoadRecordFromRow() {
  if (LISTQUEUE->Records() == 0) {
    FIELDS->ClearLeft();
    return;
  }
  (void)LISTQUEUE->Get(CURRENTCHOICE);
  (void)FIELDS->AssignRightToLeft();
}

std::int32_t BrowseManager::HasRows() {
  const std::int32_t n = LISTQUEUE != nullptr ? LISTQUEUE->Records() : 0;
  if (BrowseSortOrder* s = CurrentSort(); s != nullptr && s->LOCATOR != nullptr)
    s->LOCATOR->SetEnabled(n);
  if (n == 0) CURRENTCHOICE = 0;
  return n;
}

void BrowseManager::FetchRows(std::uint8_t direction) {
  const bool up = direction == FillUp;
  if (QUICKSCAN && ITEMSTOFILL > 1) PRIMARY->SetQuickScan(1, 0);
  bool skip = false;
  if (LISTQUEUE->Records() > 0) {
    // Continue from the row at this end: the view reads it first, and that duplicate is skipped.
    (void)LISTQUEUE->Get(up ? 1 : LISTQUEUE->Records());
    (void)VIEW->ResetTo(LISTQUEUE->GetPosition());
    skip = true;
  }
  SetPrefetchFor(ITEMSTOFILL);
  while (ITEMSTOFILL > 0) {
    SetPrefetchFor(ITEMSTOFILL);
    const ResultLevel r = up ? Previous() : Next();
    if (r == Notify) break;
    if (r == Fatal) {
      readFailed_ = true;
      return;
    }
    if (skip) {
      skip = false;
      if (VIEW->Position() == LISTQUEUE->GetPosition()) continue;
    }
    if (LISTQUEUE->Records() == LASTITEMS) {
      (void)LISTQUEUE->Get(up ? LISTQUEUE->Records() : 1);
      LISTQUEUE->Delete();
    }
    FillRowFromRecord();
    if (up)
      LISTQUEUE->AddAt(1);
    else
      LISTQUEUE->Add();
    --ITEMSTOFILL;
  }
  if (QUICKSCAN) PRIMARY->SetQuickScan(0, 0);
}

// ---- Filling a page -----------------------------------------------------------------------------

// The local state of one ResetList: the record to highlight (its position), the rows wanted
// above it and the screen line wanted for it.
struct BrowseManager::Fill {
  std::string target;
  std::int32_t above = 0;
  std::int32_t line = 0;
  bool empty = false;
  bool shortPage = false;  // the data ended before the first read filled the page
};

// Finds the target among the rows (CURRENTCHOICE 0 when it is not there; 1 without a target)
// and, with RETAINROW, how many rows are missing (positive) or too many (negative) above it.
void BrowseManager::FillTarget(Fill& fill) {
  if (fill.target.empty()) {
    CURRENTCHOICE = 1;
  } else {
    CURRENTCHOICE = 0;
    for (std::int32_t i = 1; i <= LISTQUEUE->Records(); ++i) {
      (void)LISTQUEUE->Get(i);
      if (LISTQUEUE->GetPosition() == fill.target) {
        CURRENTCHOICE = i;
        break;
      }
    }
  }
  if (RETAINROW) fill.above = fill.line - CURRENTCHOICE;
}

void BrowseManager::ResetList(std::uint8_t mode) {
  if (!ACTIVEINVISIBLE && !ILC->GetVisible()) {
    LOADPENDING = 1;
    return;
  }
  LOADED = 1;
  LOADPENDING = 0;
  SetBusyCursor(true);
  if (CURRENTCHOICE == 0) CURRENTCHOICE = 1;
  // A failed read has already been reported and the window asked to close: the page keeps the
  // rows read so far and no further read is tried.
  readFailed_ = false;
  Fill fill;
  if (mode == FromPosition) {
    if (RETAINROW) {
      if (CURRENTCHOICE > LASTITEMS && LASTITEMS > 0) {
        // The list became shorter than the highlighted line: drop rows from the top until the
        // highlighted row fits. The view stays where the caller positioned it.
        fill.target = LISTQUEUE->GetPosition();
        for (std::int32_t n = LISTQUEUE->Records() - LASTITEMS; n > 0; --n) {
          (void)LISTQUEUE->Get(1);
          LISTQUEUE->Delete();
          --CURRENTCHOICE;
        }
        ILC->SetChoice(CURRENTCHOICE);
        (void)LISTQUEUE->Get(CURRENTCHOICE);
      }
      fill.above = CURRENTCHOICE - 1;
    }
  } else if (LISTQUEUE->Records() > 0) {
    if (LISTQUEUE->Get(CURRENTCHOICE) != kNoError) (void)LISTQUEUE->Get(LISTQUEUE->Records());
    fill.target = LISTQUEUE->GetPosition();
    (void)LISTQUEUE->Get(1);
    (void)VIEW->ResetTo(LISTQUEUE->GetPosition());
  } else {
    fill.empty = true;
    Reset();
  }
  if (RETAINROW) fill.line = CURRENTCHOICE;

  LISTQUEUE->Free();
  ITEMSTOFILL = LASTITEMS - fill.above;
  FetchRows(FillDown);
  fill.shortPage = ITEMSTOFILL != 0;
  if (fill.target.empty() && LISTQUEUE->Records() > 0) {
    (void)LISTQUEUE->Get(1);
    fill.target = LISTQUEUE->GetPosition();
  }
  FillTarget(fill);
  if (LISTQUEUE->Records() == 0 && !readFailed_) Reset();

  ITEMSTOFILL = ALLOWUNFILLED ? 0 : LASTITEMS - LISTQUEUE->Records();
  if (!readFailed_ && !fill.empty && (ITEMSTOFILL != 0 || fill.above > 0)) {
    ITEMSTOFILL = std::max(ITEMSTOFILL, fill.above);
    FetchRows(FillUp);
    if (fill.target.empty() && LISTQUEUE->Records() > 0) {
      (void)LISTQUEUE->Get(LISTQUEUE->Records());
      fill.target = LISTQUEUE->GetPosition();
    }
    FillTarget(fill);
  }
  if (!readFailed_ && RETAINROW &&
      (fill.above < 0 || (LISTQUEUE->Records() < LASTITEMS && !fill.shortPage))) {
    ITEMSTOFILL = std::max(-fill.above, LASTITEMS - LISTQUEUE->Records());
    FetchRows(FillDown);
    FillTarget(fill);
  }
  while (LISTQUEUE->Records() > LASTITEMS) {
    if (fill.above < 0) {
      (void)LISTQUEUE->Get(1);
      LISTQUEUE->Delete();
      ++fill.above;
      --CURRENTCHOICE;
    } else {
      (void)LISTQUEUE->Get(LISTQUEUE->Records());
      LISTQUEUE->Delete();
    }
  }
  if (CURRENTCHOICE == 0) CURRENTCHOICE = 1;
  if (HasRows() > 0) {
    LoadRecordFromRow();
  } else {
    Table& primary = VIEW->File(0);
    primary.Decl().Layout().Clear(primary.Record());
  }
  ShowRows();
  SetBusyCursor(false);
}

// ---- Scrolling ----------------------------------------------------------------------------------

void BrowseManager::TakeScroll(int event) {
  if (event == 0) event = CurrentEvent().code;
  if (LISTQUEUE->Records() == 0 || !IsScrollEvent(event)) return;
  switch (event) {
    case kEventScrollUp:
    case kEventScrollDown:
      ScrollByRow(event);
      break;
    case kEventPageUp:
    case kEventPageDown:
      ScrollByPage(event);
      break;
    default:
      ScrollToEnd(event);
      break;
  }
  BrowseSortOrder* s = CurrentSort();
  if (s != nullptr && s->LOCATOR != nullptr) s->LOCATOR->Clear();
  PostNewSelection();
  if (s == nullptr || s->THUMB == nullptr) UpdateThumbPosition();
  LoadRecordFromRow();
}

void BrowseManager::ScrollByRow(int event) {
  CURRENTEVENT = event;
  if (event == kEventScrollUp && CURRENTCHOICE > 1) {
    --CURRENTCHOICE;
  } else if (event == kEventScrollDown && CURRENTCHOICE < LISTQUEUE->Records()) {
    ++CURRENTCHOICE;
  } else if (!FILELOADED) {
    // At the edge the list moves by one record under the highlighted line.
    ITEMSTOFILL = 1;
    FetchRows(event == kEventScrollUp ? FillUp : FillDown);
  }
}

void BrowseManager::ScrollByPage(int event) {
  CURRENTEVENT = event;
  std::int32_t n = ILC->GetItems();
  const std::int32_t highlighted = ILC->Choice();
  if (!FILELOADED) {
    ITEMSTOFILL = n;
    FetchRows(event == kEventPageUp ? FillUp : FillDown);
    n = ITEMSTOFILL;
  }
  if (event == kEventPageUp)
    CURRENTCHOICE = std::max<std::int32_t>(CURRENTCHOICE - n, 1);
  else
    CURRENTCHOICE = std::min<std::int32_t>(CURRENTCHOICE + n, LISTQUEUE->Records());
  if (FILELOADED) Realign(highlighted);
}

void BrowseManager::Realign(std::int32_t highlighted) {
  for (std::int32_t row : FileLoadedRealignment(ILC->GetItems(), highlighted, CURRENTCHOICE))
    ILC->SetChoice(
        std::clamp<std::int32_t>(row, 1, std::max<std::int32_t>(1, LISTQUEUE->Records())));
}

void BrowseManager::ScrollToEnd(int event) {
  CURRENTEVENT = event;
  if (!FILELOADED) {
    LISTQUEUE->Free();
    Reset();
    ITEMSTOFILL = ILC->GetItems();
    FetchRows(event == kEventScrollTop ? FillDown : FillUp);
  }
  CURRENTCHOICE = event == kEventScrollTop ? 1 : LISTQUEUE->Records();
}

void BrowseManager::TakeToolbarScroll(std::int32_t request) {
  int event = 0;
  switch (request) {
    case kToolbarBottom:
      event = kEventScrollBottom;
      break;
    case kToolbarTop:
      event = kEventScrollTop;
      break;
    case kToolbarPageDown:
      event = kEventPageDown;
      break;
    case kToolbarPageUp:
      event = kEventPageUp;
      break;
    case kToolbarDown:
      event = kEventScrollDown;
      break;
    case kToolbarUp:
      event = kEventScrollUp;
      break;
    default:
      return;
  }
  TakeScroll(event);
  WINDOW->Reset(0);
  WINDOW->Update();
}

std::vector<std::int32_t> BrowseManager::FileLoadedRealignment(std::int32_t items,
                                                               std::int32_t highlighted,
                                                               std::int32_t choice) {
  const std::int32_t e = items - highlighted + 1;
  if (e == 1) return {choice + 1, choice};
  return {choice, choice - e + 1, choice};
}

}  // namespace kv
