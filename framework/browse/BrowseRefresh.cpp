// BrowseManager: the scroll thumb, re-reading the selected record, redisplay, and the reload
// after an update procedure.

#include <cmath>

#include "framework/browse/BrowseManager.h"
#include "framework/browse/Locator.h"
#include "framework/browse/SqlCallRewrite.h"
#include "framework/browse/ThumbStep.h"
#include "framework/data/FileManager.h"
#include "framework/window/ToolbarManager.h"
#include "framework/window/ToolbarTarget.h"
#include "framework/window/WindowManager.h"
#include "platform/expr/Expression.h"
#include "platform/storage/Table.h"
#include "platform/window/EventLoop.h"

namespace kv {

namespace {

bool IsBlank(const std::string& text) {
  return text.find_first_not_of(' ') == std::string::npos;
}

}  // namespace

// ---- Thumb --------------------------------------------------------------------------------------

void BrowseManager::UpdateThumbPosition() {
  Window& w = WINDOW->MYWINDOW;
  const std::int32_t list = ListControl();
  const std::int32_t records = LISTQUEUE->Records();
  const std::int32_t visible = ILC->GetItems();
  const bool immediate = w.Immediate(list);
  int pos = 50;
  if (FILELOADED && records > visible) {
    if (CURRENTCHOICE <= 1)
      pos = 0;
    else if (immediate)
      pos = int(std::lround(double(CURRENTCHOICE) * (records - visible) / records));
  } else if (!FILELOADED && ITEMSTOFILL != 0) {
    // The last fill ran short: the list stands at an end of the data.
    const bool down = CURRENTEVENT == kEventScrollDown || CURRENTEVENT == kEventPageDown ||
                      CURRENTEVENT == kEventScrollBottom;
    if (down && CURRENTCHOICE == records)
      pos = immediate ? 100 : records;
    else if (!down && CURRENTCHOICE == 1)
      pos = 0;
  }
  if (immediate || !FILELOADED) w.SetThumb(list, pos);
}

void BrowseManager::ShowScrollBar() {
  Window& w = WINDOW->MYWINDOW;
  const std::int32_t list = ListControl();
  const std::int32_t records = LISTQUEUE->Records();
  const std::int32_t visible = ILC->GetItems();
  if (!HASTHUMB || (records < visible && !ALLOWUNFILLED)) {
    w.SetScrollBar(list, false);
    return;
  }
  w.SetScrollBar(list, true);
  BrowseSortOrder* s = CurrentSort();
  if (s == nullptr || s->THUMB == nullptr || s->FREEELEMENT.IsNull()) {
    UpdateThumbPosition();
  } else if (LOADED && !LOADPENDING) {
    LoadRecordFromRow();
    int thumb = s->THUMB->Percentile(s->FREEELEMENT);
    // In a full list the first and last records show the thumb at the ends.
    if (records == visible) {
      if (thumb == 1) thumb = 0;
      if (thumb == 99) thumb = 100;
    }
    w.SetThumb(list, thumb);
  }
}

void BrowseManager::ResetThumb() {
  SetBusyCursor(true);
  BrowseSortOrder* s = CurrentSort();
  if (s != nullptr && s->THUMB != nullptr && !s->FREEELEMENT.IsNull() && s->THUMB->NeedsLimits() &&
      (ALLOWUNFILLED || LISTQUEUE->Records() >= ILC->GetItems())) {
    // Two single-record reads: the last record of the order, then the first.
    Reset();
    SetPrefetch(0);
    if (Previous() == Benign) {
      Value high = Value::CopyOf(s->FREEELEMENT);
      Reset();
      SetPrefetch(0);
      if (Next() == Benign) s->THUMB->SetLimits(s->FREEELEMENT, high.Ref());
    }
  }
  ShowScrollBar();
  SetBusyCursor(false);
}

void BrowseManager::TakeThumbDrag() {
  Window& w = WINDOW->MYWINDOW;
  const std::int32_t list = ListControl();
  const int thumb = w.Thumb(list);
  double p = thumb;
  if (p <= 1) {
    w.Post(kEventScrollTop, list);
    return;
  }
  const std::int32_t records = LISTQUEUE->Records();
  const std::int32_t visible = ILC->GetItems();
  if (records > visible) p = p * 100 / (records - visible);
  if (p >= 100) {
    w.Post(kEventScrollBottom, list);
    return;
  }
  BrowseSortOrder* s = CurrentSort();
  if (FILELOADED) {
    const std::int32_t highlighted = ILC->Choice();
    CURRENTCHOICE = std::int32_t(std::lround(double(thumb) / (records - visible) * records));
    CURRENTCHOICE = std::max<std::int32_t>(1, std::min(CURRENTCHOICE, records));
    if (s != nullptr && s->LOCATOR != nullptr) s->LOCATOR->Clear();
    PostNewSelection();
    if (s == nullptr || s->THUMB == nullptr) UpdateThumbPosition();
    LoadRecordFromRow();
    Realign(highlighted);
    w.SetThumb(list, thumb);
    return;
  }
  if (s != nullptr && s->THUMB != nullptr && !s->FREEELEMENT.IsNull()) {
    Value v = s->THUMB->ValueAt(static_cast<std::int16_t>(std::lround(p)));
    if (!v.IsNull()) (void)s->FREEELEMENT.Assign(v.Ref());
    ResetFromThumb();
    return;
  }
  w.Post(p < 50 ? kEventPageUp : kEventPageDown, list);
}

void BrowseManager::ResetFromThumb() {
  ResetTo(OrderComponents());
  ResetList(FromPosition);
  UpdateWindow();
}

// ---- Re-reading the selected record -------------------------------------------------------------

ErrorCode BrowseManager::RegetAt(const std::string& position) {
  return VIEW->Reget(position);
}

void BrowseManager::RefreshRecord() {
  if (USEMRP) SetPrefetch(0);
  if (LISTQUEUE == nullptr || LISTQUEUE->Records() == 0) return;
  if (const std::int32_t highlighted = ILC->Choice(); highlighted > 0) CURRENTCHOICE = highlighted;
  LoadRecordFromRow();
  const std::string position = LISTQUEUE->GetPosition();
  VIEW->Watch();
  ErrorCode e = RegetAt(position);
  if (e == kNotSupportedError) {
    // Without re-reads: position at the row, read it, and put the view back where it was.
    const std::string here = VIEW->Position();
    e = VIEW->ResetTo(position);
    VIEW->Watch();
    if (e == kNoError) {
      e = VIEW->Next();
      if (e == kNoError && VIEW->Position() != position) e = kNoRecordError;
    }
    if (!here.empty()) (void)VIEW->ResetTo(here);
  }
  if (e != kNoError) NEEDREFRESH = ReportRowGone();
}

std::uint8_t BrowseManager::ReportRowGone() {
  if (FileManager* fm = PrimaryFileManager()) (void)fm->ReportError(MsgChangedOrDeletedElsewhere);
  return 1;
}

// ---- Redisplay ----------------------------------------------------------------------------------

void BrowseManager::ShowRows() {
  if (WINDOW == nullptr || !WINDOW->MYWINDOW.IsOpen()) return;
  Window& w = WINDOW->MYWINDOW;
  const std::int32_t list = ListControl();
  if (BEHAVIOR && !sourceAttached_) {
    // The row queue becomes the list's data, formatted with the pictures of the list's format.
    std::vector<std::string> pictures;
    for (const ListColumn& c : w.Columns(list)) pictures.push_back(c.picture);
    BEHAVIOR->Q->SetColumnPictures(pictures);
    w.SetListSource(list, std::shared_ptr<ListSource>(std::shared_ptr<void>(), BEHAVIOR->Q));
    sourceAttached_ = true;
  }
  w.Display(list);
}

void BrowseManager::UpdateWindow() {
  BrowseSortOrder* s = CurrentSort();
  if (s != nullptr && s->LOCATOR != nullptr) s->LOCATOR->UpdateWindow();
  const bool rows = HasRows() > 0;
  for (std::int32_t c : {CHANGECONTROL, DELETECONTROL, PRINTCONTROL, VIEWCONTROL})
    if (c != 0) WINDOW->SetControlDisabled(c, !rows);
  if (SELECTCONTROL != 0) {
    Window& w = WINDOW->MYWINDOW;
    if (SELECTING) {
      const bool on = rows && WINDOW->REQUEST == SelectRecord;
      WINDOW->SetControlDisabled(SELECTCONTROL, !on);
      if (on) w.SetDefaultButton(SELECTCONTROL, true);
    } else if (HIDESELECT) {
      WINDOW->SetControlDisabled(SELECTCONTROL, true);
      w.SetHidden(SELECTCONTROL, true);
    }
  }
  ShowScrollBar();
  if (TOOLBAR != nullptr) (void)TOOLBAR->DisplayButtons();
  ShowRows();
  ILC->SetChoice(CURRENTCHOICE);
}

// ---- After an update procedure ------------------------------------------------------------------

void BrowseManager::RefreshAfterUpdate(RequestCode& request, ResponseCode response) {
  if (response == RequestCompleted) {
    VIEW->Flush();
    const std::string filter = VIEW->Filter().substr(0, 2048);
    bool drop = request == DeleteRecord;
    if (!drop && request == ChangeRecord && !IsBlank(filter)) {
      const bool sql = VIEW->File(0).Property(kPropSqlDriver) == "1";
      Expression e;
      ExprValue v;
      // A filter that cannot be evaluated here keeps the row; the reload then asks the server.
      if (e.Parse(sql ? RewriteSqlCalls(filter) : filter) && e.Evaluate(VIEW->Names(), &v))
        drop = !v.IsTrue();
    }
    if (drop) {
      if (LISTQUEUE->Get(CURRENTCHOICE) == kNoError) LISTQUEUE->Delete();
      ResetList(KeepPage);
    } else {
      ResetToFileRecord();
    }
  } else {
    ResetList(KeepPage);
  }
  const std::int32_t pending = WINDOW->VCRREQUEST != nullptr ? *WINDOW->VCRREQUEST : 0;
  if (pending == kToolbarInsert || (pending == kToolbarDown && request == InsertRecord)) {
    // Another record is wanted: the form opens again for a new one.
    request = InsertRecord;
    Table& primary = VIEW->File(0);
    (void)primary.Reget(0, "");
    primary.Decl().Layout().Clear(primary.Record());
  } else if (pending != 0) {
    TakeToolbarScroll(pending);
  }
  if (pending == 0) {
    ResetThumb();
    UpdateWindow();
    PostNewSelection();
    WINDOW->MYWINDOW.Select(ListControl());
  }
}

void BrowseManager::ResetToFileRecord() {
  if (VIEW->ResetTo(VIEW->File(0).Position(0)) == kNoError)
    ResetList(FromPosition);
  else
    ResetList(KeepPage);
}

}  // namespace kv
