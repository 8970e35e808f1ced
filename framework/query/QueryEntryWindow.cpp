#include "framework/query/QueryEntryWindow.h"

#include <algorithm>
#include <string>

#include "framework/query/QueryManager.h"
#include "framework/query/QuerySettingsWindow.h"
#include "framework/window/IniManager.h"
#include "framework/window/WindowManager.h"
#include "platform/thread/LogicalThread.h"
#include "platform/window/Event.h"
#include "platform/window/EventLoop.h"
#include "platform/window/VariableBinding.h"
#include "platform/window/Window.h"

namespace kv {
namespace {

constexpr int kTitleWidth = 90;
constexpr int kValueWidth = 160;
constexpr int kBoundWidth = 90;
constexpr int kRowHeight = 14;
constexpr int kButtonWidth = 52;
constexpr const char* kValueTip =
    "Operators = < > ~ in front; ^ ignores case; *x contains x; x* begins with x";

std::string Numbered(const char* label, std::size_t n) {
  return std::string(label) + std::to_string(n);
}

// The window procedure behind QueryEntryWindow::Ask. Works on the query's fields: Store writes
// what is typed into them, Load shows them.
class QueryEntryProcedure : public WindowManager {
 public:
  QueryEntryProcedure(QueryManager& query, QueryEntryWindow& visual)
      : query_(query), visual_(visual) {}

  ResultLevel Init() override {
    if (ResultLevel r = WindowManager::Init(); r != Benign) return r;
    ERRORS = query_.Errors;
    style_ = visual_.GetStyle();
    rows_.resize(query_.Fields->size());  // never resized again: the entries are bound to it
    Load();
    Open(QueryEntryDefinition(*query_.Fields, style_), Window::Active(CurrentThread()));
    for (std::size_t i = 0; i < rows_.size(); ++i) {
      const std::size_t n = i + 1;
      if (style_ == RangeStyle) {
        (void)BindControl(MYWINDOW, MYWINDOW.Find(Numbered("?LOW", n)), VarRef(rows_[i].low));
        (void)BindControl(MYWINDOW, MYWINDOW.Find(Numbered("?HIGH", n)), VarRef(rows_[i].high));
        (void)BindControl(MYWINDOW, MYWINDOW.Find(Numbered("?INCLUSIVE", n)),
                          VarRef(rows_[i].inclusive));
      } else {
        (void)BindControl(MYWINDOW, MYWINDOW.Find(Numbered("?VALUE", n)), VarRef(rows_[i].value));
      }
    }
    FIRSTFIELD = MYWINDOW.Find(style_ == RangeStyle ? "?LOW1" : "?VALUE1");
    MYWINDOW.Display();
    SetAlerts();
    return Benign;
  }

  ResultLevel TakeAccepted() override {
    ResultLevel kept = WindowManager::TakeAccepted();
    const int control = CurrentEvent().control;
    if (control == MYWINDOW.Find("?OK")) {
      (void)MYWINDOW.Update();
      Store();
      RESPONSE = RequestCompleted;
      MYWINDOW.Post(kEventCloseWindow);
    } else if (control == MYWINDOW.Find("?CANCEL")) {
      RESPONSE = RequestCancelled;
      MYWINDOW.Post(kEventCloseWindow);
    } else if (control == MYWINDOW.Find("?CLEAR")) {
      for (Row& row : rows_) row = Row{};
      MYWINDOW.Display();
      if (FIRSTFIELD != 0) MYWINDOW.Select(FIRSTFIELD);
    } else if (control == MYWINDOW.Find("?SETTINGS")) {
      (void)MYWINDOW.Update();
      Store();  // what is typed can be saved, and a loaded query replaces it
      (void)RunQuerySettings(query_, visual_);
      if (visual_.GetStyle() != style_) {
        reopen_ = true;  // the rows have other entries now: Ask opens the window again
        MYWINDOW.Post(kEventCloseWindow);
      } else {
        Load();
        MYWINDOW.Display();
      }
    }
    return kept;
  }

  bool Reopen() const { return reopen_; }

 private:
  struct Row {
    String<500> value;
    String<500> low;
    String<500> high;
    Byte inclusive = 0;
  };

  void Load() {
    for (std::size_t i = 0; i < rows_.size(); ++i) {
      const QueryField& f = (*query_.Fields)[i];
      Row& row = rows_[i];
      bool bounds = !f.LOW.Clipped().empty() || !f.HIGH.Clipped().empty();
      // In a range MIDDLE only marks the bounds inclusive; a single value typed as LOW counts.
      row.value = bounds ? f.LOW.Clipped() : f.MIDDLE.Clipped();
      row.low = f.LOW.Clipped();
      row.high = f.HIGH.Clipped();
      row.inclusive = bounds && !f.MIDDLE.Clipped().empty() ? 1 : 0;
    }
  }

  void Store() {
    for (std::size_t i = 0; i < rows_.size(); ++i) {
      QueryField& f = (*query_.Fields)[i];
      const Row& row = rows_[i];
      if (style_ == RangeStyle) {
        f.LOW = row.low.Clipped();
        f.HIGH = row.high.Clipped();
        bool bounds = !row.low.Clipped().empty() || !row.high.Clipped().empty();
        f.MIDDLE = bounds && row.inclusive ? "=" : "";
      } else {
        f.MIDDLE = row.value.Clipped();
        f.LOW = "";
        f.HIGH = "";
      }
    }
  }

  QueryManager& query_;
  QueryEntryWindow& visual_;
  std::int32_t style_ = SingleValueStyle;
  std::vector<Row> rows_;
  bool reopen_ = false;
};

}  // namespace

void QueryEntryWindow::SetStyle(std::int32_t style) {
  if (style == SingleValueStyle || style == RangeStyle) style_ = style;
}

bool QueryEntryWindow::Ask(QueryManager& query) {
  if (!query.Fields) return false;
  if (query.Settings != nullptr && !query.Family.empty()) {
    long stored = 0;
    query.Settings->Fetch(query.Family, kQueryStyleEntry, stored);
    SetStyle(static_cast<std::int32_t>(stored));
  }
  const std::vector<QueryField> original = *query.Fields;
  for (;;) {
    QueryEntryProcedure procedure(query, *this);
    const ResponseCode response = procedure.Run();
    if (procedure.Reopen()) continue;
    if (response != RequestCompleted) *query.Fields = original;
    return response == RequestCompleted;
  }
}

WindowDefinition QueryEntryDefinition(const std::vector<QueryField>& fields, std::int32_t style) {
  const bool range = style == RangeStyle;
  const int valuesWidth = range ? 2 * kBoundWidth + 4 + 48 : kValueWidth;
  const int width = std::max(8 + kTitleWidth + 4 + valuesWidth + 8, 4 * (kButtonWidth + 4) + 12);
  const int top = range ? 18 : 8;
  const int buttonsY = top + int(fields.size()) * kRowHeight + 8;
  WindowDefinition def("Query by Example");
  def.Size(width, buttonsY + 22).Font("MS Sans Serif,8");
  const int valueX = 8 + kTitleWidth + 4;
  if (range) {
    def.Prompt("?LOWHEADER", "Low").At(valueX, 6, kBoundWidth, 10);
    def.Prompt("?HIGHHEADER", "High").At(valueX + kBoundWidth + 4, 6, kBoundWidth, 10);
  }
  for (std::size_t i = 0; i < fields.size(); ++i) {
    const std::size_t n = i + 1;
    const int y = top + int(i) * kRowHeight;
    def.Prompt(Numbered("?TITLE", n), std::string(fields[i].TITLE.Clipped()) + ":")
        .At(8, y + 2, kTitleWidth, 10);
    if (range) {
      def.Entry(Numbered("?LOW", n), "s500").At(valueX, y, kBoundWidth, 12);
      def.Entry(Numbered("?HIGH", n), "s500").At(valueX + kBoundWidth + 4, y, kBoundWidth, 12);
      def.CheckBox(Numbered("?INCLUSIVE", n), "Incl.")
          .At(valueX + 2 * (kBoundWidth + 4), y + 1, 44, 10)
          .Tip("The bounds themselves match too");
    } else {
      def.Entry(Numbered("?VALUE", n), "s500").At(valueX, y, kValueWidth, 12).Tip(kValueTip);
    }
  }
  int x = width - 4 * (kButtonWidth + 4) - 4;
  def.Button("?OK", "&OK").At(x, buttonsY, kButtonWidth, 14).Default();
  def.Button("?CANCEL", "&Cancel").At(x += kButtonWidth + 4, buttonsY, kButtonWidth, 14);
  def.Button("?CLEAR", "C&lear").At(x += kButtonWidth + 4, buttonsY, kButtonWidth, 14);
  def.Button("?SETTINGS", "&Settings...").At(x += kButtonWidth + 4, buttonsY, kButtonWidth, 14);
  return def;
}

}  // namespace kv
