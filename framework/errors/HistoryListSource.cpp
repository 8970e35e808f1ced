#include "framework/errors/HistoryListSource.h"

#include <optional>
#include <string_view>
#include <utility>

#include "framework/errors/ErrorWindow.h"
#include "framework/errors/MessageText.h"
#include "platform/values/Picture.h"
#include "platform/window/Control.h"
#include "platform/window/EventLoop.h"

namespace kv {

// What the list control reads: the row count and the cells, through GetCell, each cell shown
// through its column's picture ("@s255" shows at most 255 bytes of a longer message).
class HistoryListSource::Rows final : public ListSource {
 public:
  Rows(const HistoryListSource* owner, const std::vector<ListColumn>& columns) : owner_(owner) {
    for (const ListColumn& column : columns) {
      Picture picture;
      bool ok =
          !column.picture.empty() && Picture::Parse(column.picture, &picture) == PictureStatus::kOk;
      pictures_.push_back(ok ? std::optional<Picture>(std::move(picture)) : std::nullopt);
    }
  }
  void Detach() { owner_ = nullptr; }

  int RowCount() const override {
    if (owner_ == nullptr) return 0;
    return std::stoi(owner_->GetCell(-1, 1));
  }
  std::string Cell(int row, int column) const override {
    if (owner_ == nullptr) return {};
    std::string text = owner_->GetCell(row, column);
    std::size_t index = static_cast<std::size_t>(column - 1);
    if (column < 1 || index >= pictures_.size() || !pictures_[index]) return text;
    return std::string(ClipBlanks(pictures_[index]->FormatText(text)));
  }

 private:
  const HistoryListSource* owner_;  // cleared when the source goes
  std::vector<std::optional<Picture>> pictures_;
};

HistoryListSource::HistoryListSource(ErrorManager& errors,
                                     const std::vector<HistoryRecord>& history,
                                     const Window& window)
    : ERR(errors), HISTORY(&history), WIN(window) {}

HistoryListSource::~HistoryListSource() {
  if (rows_) {
    rows_->Detach();
    Window(WIN).SetListSource(kErrorWindowList, nullptr);
  }
}

ResultLevel HistoryListSource::TakeEvent() {
  const Event& event = CurrentEvent();
  if (event.code != kEventOpenWindow || event.window != WIN.Id()) return Benign;
  Window win = WIN;
  win.SetChoice(kErrorWindowList, static_cast<int>(HISTORY->size()));
  std::vector<ListColumn> columns = win.Columns(kErrorWindowList);
  LBCOLUMNS = static_cast<std::int16_t>(columns.size());
  if (rows_) rows_->Detach();
  rows_ = std::make_shared<Rows>(this, columns);
  win.SetListSource(kErrorWindowList, rows_);
  win.Display(kErrorWindowList);
  return Benign;
}

void HistoryListSource::UpdateWindow() {
  Window win = WIN;
  win.Display(kErrorWindowList);
}

std::string HistoryListSource::GetCell(int row, int column) const {
  switch (row) {
    case -1:
      return std::to_string(HISTORY->size());
    case -2:
      return std::to_string(LBCOLUMNS);
    case -3:
      return "1";
    default:
      break;
  }
  if (row < 1 || static_cast<std::size_t>(row) > HISTORY->size()) return {};
  const HistoryRecord& record = (*HISTORY)[static_cast<std::size_t>(row - 1)];
  if (column == 1) return record.TXT;
  if (column == 2) return record.CATEGORY;
  return {};
}

}  // namespace kv
