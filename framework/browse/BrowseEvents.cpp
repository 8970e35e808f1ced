// BrowseManager: sort orders, alert keys, selection and the dispatch of the window's events.

#include "framework/browse/BrowseManager.h"
#include "framework/browse/Locator.h"
#include "framework/data/FileManager.h"
#include "framework/window/WindowManager.h"
#include "platform/window/EventLoop.h"
#include "platform/window/KeyCode.h"

namespace kv {

// ---- Orders -------------------------------------------------------------------------------------

std::uint8_t BrowseManager::ChangeSort(int order) {
  const bool changed = SetSort(order);
  if (BrowseSortOrder* s = CurrentSort(); changed && s != nullptr && s->LOCATOR != nullptr)
    s->LOCATOR->Clear();
  return changed ? 1 : 0;
}

void BrowseManager::ResetToFreeElement() {
  BrowseSortOrder* s = CurrentSort();
  ResetTo(s != nullptr && s->MAINKEY != 0 ? FreeElementPosition() : 1);
}

int BrowseManager::OrderComponents() {
  BrowseSortOrder* s = CurrentSort();
  FileManager* fm = PrimaryFileManager();
  return s != nullptr && s->MAINKEY != 0 && fm != nullptr ? fm->GetComponents(s->MAINKEY) : 1;
}

std::uint8_t BrowseManager::SelectSort(int order, std::uint8_t force) {
  const bool changed = ChangeSort(order) != 0;
  const bool range = ApplyRange();
  std::uint8_t answer = 0;
  if (range || changed || force || !LOADED || LOADPENDING) {
    if (BrowseSortOrder* s = CurrentSort()) s->SaveResets();
    ApplyOrder();
    ApplyFilter();
    if ((SELECTING || STARTATCURRENT) && !LOADED) {
      ResetToFreeElement();
      ResetList(FromPosition);
    } else if (LISTQUEUE->Records() > 0) {
      // Reload from the record in the row buffer (the last row read, normally the selected
      // one). When it is gone the page is read again from its first row.
      if (VIEW->ResetTo(LISTQUEUE->GetPosition()) == kNoError)
        ResetList(FromPosition);
      else
        ResetList(KeepPage);
    } else {
      ResetList(KeepPage);
    }
    if (!LOADPENDING) {
      PostNewSelection();
      ResetThumb();
      answer = 1;
    }
  }
  LoadRecordFromRow();
  return answer;
}

void BrowseManager::Refresh(std::uint8_t force) {
  const int current = ORDER != nullptr ? int(ORDER->CURRENT) + 1 : 1;
  (void)SelectSort(current, force);
}

// ---- Alert keys ---------------------------------------------------------------------------------

void BrowseManager::SetAlerts() {
  const std::int32_t list = ListControl();
  Window& w = WINDOW->MYWINDOW;
  w.SetAlert(list, 252, kMouseLeft2);
  w.SetAlert(list, 249, kMouseRightUp);
  w.SetAlert(list, 249, kKeyApps);
  if (EDITVIAPOPUP) {
    if (INSERTCONTROL != 0) w.SetAlert(list, 255, kKeyInsert);
    if (CHANGECONTROL != 0) w.SetAlert(list, 253, kCtrl | kKeyEnter);
    if (DELETECONTROL != 0) w.SetAlert(list, 254, kKeyDelete);
    if (VIEWCONTROL != 0) w.SetAlert(list, 255, kShift | kKeyEnter);
  }
  HASTHUMB = w.ScrollBar(list) ? 1 : 0;
  w.SetScrollBar(list, false);
  if (SORT) {
    for (std::unique_ptr<OrderRow>& r : SORT->ROWS) {
      auto& row = static_cast<BrowseSortOrder&>(*r);
      if (row.LOCATOR != nullptr) row.LOCATOR->SetAlerts(list);
    }
  }
  AddPopupItems();
}

// ---- Selection ----------------------------------------------------------------------------------

void BrowseManager::TakeNewSelection() {
  if (LISTQUEUE->Records() > 0) {
    CURRENTCHOICE = LASTCHOICE = ILC->Choice();
    LoadRecordFromRow();
  }
  const int key = KeyCode();
  if (key == kMouseRightUp || key == kKeyApps) {
    if (USEPOPUP && POPUP) {
      SetKeyCode(0);
      (void)POPUP->Ask();
    }
  } else {
    WINDOW->Reset(0);
  }
}

void BrowseManager::PostNewSelection() {
  if (PREVCHOICE == 0 && CURRENTCHOICE == 0 && KeyCode() != kMouseRightUp) return;
  PREVCHOICE = CURRENTCHOICE;
  ShowRows();
  ILC->SetChoice(CURRENTCHOICE);
  WINDOW->MYWINDOW.Post(kEventNewSelection, ListControl());
}

// ---- Keys ---------------------------------------------------------------------------------------

void BrowseManager::PressButton(std::int32_t control, bool loadRow) {
  WINDOW->MYWINDOW.Post(kEventAccepted, control);
  if (loadRow) LoadRecordFromRow();
}

std::uint8_t BrowseManager::TakeKey() {
  const int key = KeyCode();
  const std::int32_t list = ListControl();
  Window& w = WINDOW->MYWINDOW;
  auto handled = [&]() -> std::uint8_t {
    UpdateWindow();
    PostNewSelection();
    return 1;
  };
  // A button is pressed only when it exists and is enabled; otherwise the key is not handled.
  auto press = [&](std::int32_t control, bool loadRow) -> std::uint8_t {
    if (control == 0 || !w.HasControl(control) || w.Disabled(control)) return 0;
    PressButton(control, loadRow);
    return handled();
  };
  auto locate = [&]() -> std::uint8_t {
    BrowseSortOrder* s = CurrentSort();
    if (s != nullptr && s->LOCATOR != nullptr && s->LOCATOR->TakeKey()) {
      ResetToFreeElement();
      ResetList(FromPosition);
      return handled();
    }
    return LISTQUEUE->Records() > 0 ? handled() : 0;
  };

  if (key == kMouseRightUp) {
    if (const int row = w.LastClickRow(list); row > 0) CURRENTCHOICE = row;
    PostNewSelection();
    return 0;
  }
  if (LISTQUEUE->Records() > 0) {
    switch (key) {
      case kMouseLeft2:
        if (SELECTING) return press(SELECTCONTROL, false);
        if (w.LastDoubleClickArea(list) == 2) return 0;  // the column headers
        return press(CHANGECONTROL, true);
      case kKeyInsert:
        return press(INSERTCONTROL, false);
      case kKeyDelete:
        return press(DELETECONTROL, false);
      case kKeyApps:
        return handled();
      case kShift | kKeyEnter:
        return press(VIEWCONTROL, true);
      case kCtrl | kKeyEnter:
        return press(CHANGECONTROL, true);
      default:
        return locate();
    }
  }
  if (locate()) return 1;
  return key == kKeyInsert ? press(INSERTCONTROL, false) : 0;
}

// ---- Accepted controls --------------------------------------------------------------------------

void BrowseManager::TakeLocatorAccepted() {
  BrowseSortOrder* s = CurrentSort();
  if (s == nullptr || s->LOCATOR == nullptr || s->LOCATOR->CONTROL == 0) return;
  if (CurrentEvent().control != s->LOCATOR->CONTROL || !s->LOCATOR->TakeAccepted()) return;
  ResetToFreeElement();
  WINDOW->MYWINDOW.Select(ListControl());
  ResetList(FromPosition);
  s->LOCATOR->AfterAccepted();
  UpdateWindow();
  PostNewSelection();
}

void BrowseManager::EndSelection() {
  FileManager* fm = PrimaryFileManager();
  if (fm == nullptr || BUFFER == 0) return;
  if (WINDOW->RESPONSE == RequestCompleted) {
    fm->RestoreBuffer(BUFFER, false);
    if (SELECTWHOLERECORD)
      RefreshRecord();
    else
      LoadRecordFromRow();
  } else {
    fm->RestoreBuffer(BUFFER, true);
  }
}

// The highlighted record has gone: the reload starts at its place in the order when the view
// still knows it, else at the row after it (which takes its line), else at the row before it,
// else at the start of the data.
void BrowseManager::PositionAtVanishedRow() {
  auto resetToRow = [this](std::int32_t row) {
    return row >= 1 && LISTQUEUE->Get(row) == kNoError &&
           VIEW->ResetTo(LISTQUEUE->GetPosition()) == kNoError;
  };
  if (resetToRow(CURRENTCHOICE) || resetToRow(CURRENTCHOICE + 1)) return;
  if (resetToRow(CURRENTCHOICE - 1)) {
    --CURRENTCHOICE;
    return;
  }
  Reset();
}

// ---- Dispatch -----------------------------------------------------------------------------------

void BrowseManager::TakeEvent() {
  const Event& e = CurrentEvent();
  const std::int32_t list = ListControl();
  if (e.control != 0) {
    if (e.control == list) {
      switch (e.code) {
        case kEventNewSelection:
          TakeNewSelection();
          break;
        case kEventScrollUp:
        case kEventScrollDown:
        case kEventPageUp:
        case kEventPageDown:
        case kEventScrollTop:
        case kEventScrollBottom:
          TakeScroll(0);
          break;
        case kEventLocate:
          TakeQuery();
          break;
        case kEventAlertKey:
          (void)TakeKey();
          break;
        case kEventScrollDrag:
          TakeThumbDrag();
          break;
        default:
          break;
      }
    }
  } else if (ILC != nullptr) {
    CURRENTCHOICE = ILC->Choice();
  }
  if (QUERYCONTROL != 0 && e.control == QUERYCONTROL && e.code == kEventNewSelection) {
    TakeQueryMenuChoice();
  }
  NEEDREFRESH = 0;
  if (e.code == kEventAccepted) TakeAcceptedControl(e.control);
  if (NEEDREFRESH) {
    PositionAtVanishedRow();
    ResetList(FromPosition);
    NEEDREFRESH = 0;
  } else if (e.code == kEventCloseWindow && SELECTING) {
    EndSelection();
  }
}

}  // namespace kv
