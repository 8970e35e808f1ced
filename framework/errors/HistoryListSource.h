#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "framework/errors/ErrorHistory.h"
#include "framework/window/WindowComponent.h"
#include "platform/window/Window.h"

namespace kv {

class ErrorManager;

// Supplies the rows of the error window's history list (ErrorWindow.h, control 200) from a
// list of history records, and selects the newest one when the window opens. It is a window
// component of the MessageWindow (registered by its Init) so that it sees the window's events.
//
// When the window has opened (the open-window event) it highlights the last record, reads the
// number of columns of the list's format into LBCOLUMNS, and attaches itself to the list as the
// supplier of its rows, which the list then reads through GetCell. Other events are ignored.
//
// `history` is the window's private copy of the history (the error manager's own list is
// shared by every thread and touched only under its lock); it must outlive this object, and so
// must `window`, the MessageWindow's WIN, which names the open window once the MessageWindow
// has opened it.
//
// Thread: the window's logical thread only.
class HistoryListSource : public WindowComponent {
 public:
  HistoryListSource(ErrorManager& errors, const std::vector<HistoryRecord>& history,
                    const Window& window);
  // Detaches from the list: a list that outlives the object shows no rows.
  ~HistoryListSource() override;
  HistoryListSource(const HistoryListSource&) = delete;
  HistoryListSource& operator=(const HistoryListSource&) = delete;

  // ---- Fields, in declaration order (the WindowComponent interface is the base).
  ErrorManager& ERR;
  const std::vector<HistoryRecord>* HISTORY;
  std::int16_t LBCOLUMNS = 0;  // columns of the list's format, read when the window opens
  const Window& WIN;

  // ---- WindowComponent, in slot order.
  void Kill() override {}               // nothing to release
  void Reset(std::uint8_t) override {}  // the copy never changes
  std::uint8_t ResetRequired() override { return 0; }
  void SetAlerts() override {}
  // Handles the open-window event (above). Always Benign: other components see every event.
  ResultLevel TakeEvent() override;
  void Update() override {}
  // Redisplays the list.
  void UpdateWindow() override;

  // The list's contents. Row -1: the number of records; -2: LBCOLUMNS; -3: 1 (the contents
  // are always reported as changed); rows from 1: that record's TXT in column 1 and its
  // CATEGORY in column 2, the empty text in other columns and for rows past the last record.
  // The numbers are given as decimal text.
  std::string GetCell(int row, int column) const;

 private:
  class Rows;  // the ListSource the list reads, forwarding to GetCell
  std::shared_ptr<Rows> rows_;
};

}  // namespace kv
