#include "framework/query/QuerySettingsWindow.h"

#include <memory>
#include <string>
#include <vector>

#include "framework/query/QueryEntryWindow.h"
#include "framework/query/QueryManager.h"
#include "framework/window/IniManager.h"
#include "framework/window/WindowManager.h"
#include "platform/thread/LogicalThread.h"
#include "platform/values/Utf8Text.h"
#include "platform/window/Event.h"
#include "platform/window/EventLoop.h"
#include "platform/window/ModalServices.h"
#include "platform/window/VariableBinding.h"
#include "platform/window/Window.h"

namespace kv {
namespace {

constexpr const char* kRefusedName =
    "A saved query needs a name of at most 99 bytes, without control characters and without "
    "| { } [ or ], that does not begin with ~, + or -.";

// The saved queries' names, as the list shows them.
class SavedNames : public ListSource {
 public:
  int RowCount() const override { return static_cast<int>(names.size()); }
  std::string Cell(int row, int) const override { return names[std::size_t(row - 1)]; }
  std::vector<std::string> names;
};

bool AskYes(const std::string& text) {
  MessageBoxRequest box;
  box.text = text;
  box.caption = "Query by Example Settings";
  box.icon = kIconExclamation;
  box.buttons = kButtonYes + kButtonNo;
  box.defaultButton = kButtonNo;
  return Modal().ShowMessageBox(box) == kButtonYes;
}

class QuerySettingsProcedure : public WindowManager {
 public:
  QuerySettingsProcedure(QueryManager& query, QueryEntryWindow& visual)
      : query_(query), visual_(visual), original_(*query.Fields) {}

  ResultLevel Init() override {
    if (ResultLevel r = WindowManager::Init(); r != Benign) return r;
    ERRORS = query_.Errors;
    range_ = visual_.GetStyle() == RangeStyle ? 1 : 0;
    Open(QuerySettingsDefinition(), Window::Active(CurrentThread()));
    list_ = MYWINDOW.Find("?SAVEDLIST");
    MYWINDOW.SetListSource(list_, names_);
    (void)BindControl(MYWINDOW, MYWINDOW.Find("?QUERYNAME"), VarRef(name_));
    (void)BindControl(MYWINDOW, MYWINDOW.Find("?RANGESTYLE"), VarRef(range_));
    FIRSTFIELD = MYWINDOW.Find("?QUERYNAME");
    ShowNames("");
    SetAlerts();
    return Benign;
  }

  ResultLevel TakeNewSelection() override {
    ResultLevel kept = WindowManager::TakeNewSelection();
    if (CurrentEvent().control == list_ && !Highlighted().empty()) {
      name_ = Highlighted();
      MYWINDOW.Display(MYWINDOW.Find("?QUERYNAME"));
    }
    return kept;
  }

  ResultLevel TakeAccepted() override {
    ResultLevel kept = WindowManager::TakeAccepted();
    const int control = CurrentEvent().control;
    if (control == 0) return kept;
    (void)MYWINDOW.Update();
    const std::string name(TrimBlanks(name_.Clipped()));
    const std::string highlighted = Highlighted();
    if (control == MYWINDOW.Find("?LOAD")) {
      if (!highlighted.empty()) query_.RestoreQuery(highlighted);
    } else if (control == MYWINDOW.Find("?SAVE")) {
      Save(name);
    } else if (control == MYWINDOW.Find("?DELETE")) {
      if (!highlighted.empty() && AskYes("Delete the saved query " + highlighted + "?")) {
        query_.DeleteQuery(highlighted);
        ShowNames("");
      }
    } else if (control == MYWINDOW.Find("?CLEAR")) {
      query_.ClearQuery();
    } else if (control == MYWINDOW.Find("?OK")) {
      visual_.SetStyle(range_ ? RangeStyle : SingleValueStyle);
      if (query_.Settings != nullptr && !query_.Family.empty()) {
        query_.Settings->Update(query_.Family, kQueryStyleEntry, visual_.GetStyle());
      }
      RESPONSE = RequestCompleted;
      MYWINDOW.Post(kEventCloseWindow);
    } else if (control == MYWINDOW.Find("?CANCEL")) {
      RESPONSE = RequestCancelled;
      MYWINDOW.Post(kEventCloseWindow);
    }
    return kept;
  }

  ResultLevel Kill() override {
    if (RESPONSE != RequestCompleted && query_.Fields) *query_.Fields = original_;
    return WindowManager::Kill();
  }

 private:
  void Save(const std::string& name) {
    if (!QueryManager::IsValidQueryName(name) || name == QueryManager::kMruName) {
      MessageBoxRequest box;
      box.text = kRefusedName;
      box.caption = "Query by Example Settings";
      box.icon = kIconExclamation;
      (void)Modal().ShowMessageBox(box);
      if (FIRSTFIELD != 0) MYWINDOW.Select(FIRSTFIELD);
      return;
    }
    if (Listed(name) && !AskYes("Replace the saved query " + name + "?")) {
      return;
    }
    if (query_.SaveQuery(name)) ShowNames(name);
  }

  // The name of the highlighted saved query, "" when none.
  std::string Highlighted() const {
    const int row = MYWINDOW.Choice(list_);
    return row >= 1 && row <= names_->RowCount() ? names_->names[std::size_t(row - 1)] : "";
  }

  // True when `name` is listed (ignoring ASCII case as the settings file does, when asked).
  bool Listed(const std::string& name) const {
    for (const std::string& n : names_->names) {
      if (n == name || EqualNoCase(n, name)) return true;
    }
    return false;
  }

  // Lists the saved queries again and highlights `select` (the first row when not listed).
  void ShowNames(const std::string& select) {
    std::vector<SectorRecord> saved;
    query_.ListSavedQueries(saved);
    names_->names.clear();
    int choice = saved.empty() ? 0 : 1;
    for (const SectorRecord& r : saved) {
      names_->names.push_back(r.ITEM);
      if (r.ITEM == select) choice = static_cast<int>(names_->names.size());
    }
    MYWINDOW.Display();
    MYWINDOW.SetChoice(list_, choice);
  }

  QueryManager& query_;
  QueryEntryWindow& visual_;
  const std::vector<QueryField> original_;
  std::shared_ptr<SavedNames> names_ = std::make_shared<SavedNames>();
  String<100> name_;
  Byte range_ = 0;
  int list_ = 0;
};

}  // namespace

WindowDefinition QuerySettingsDefinition() {
  WindowDefinition def("Query by Example Settings");
  def.Size(244, 168).Font("MS Sans Serif,8");
  def.Sheet("?SHEET1").At(4, 4, 236, 140);
  def.Tab("?TAB1", "Saved Queries");
  def.List("?SAVEDLIST", "200L(2)|M~Saved query~@s100@").At(10, 22, 160, 90);
  def.Prompt("?NAMEPROMPT", "&Name:").At(10, 120, 30, 10);
  def.Entry("?QUERYNAME", "s100").At(42, 118, 128, 12);
  def.Button("?LOAD", "&Load").At(178, 22, 54, 14);
  def.Button("?SAVE", "&Save").At(178, 40, 54, 14);
  def.Button("?DELETE", "&Delete").At(178, 58, 54, 14);
  def.Tab("?TAB2", "Query Settings");
  def.CheckBox("?RANGESTYLE", "Enter a &low and a high value for each column").At(10, 26, 220, 10);
  def.EndSheet();
  def.Button("?OK", "&OK").At(68, 150, 54, 14).Default();
  def.Button("?CANCEL", "&Cancel").At(126, 150, 54, 14);
  def.Button("?CLEAR", "C&lear").At(184, 150, 54, 14);
  return def;
}

bool RunQuerySettings(QueryManager& query, QueryEntryWindow& visual) {
  if (!query.Fields) return false;
  QuerySettingsProcedure procedure(query, visual);
  return procedure.Run() == RequestCompleted;
}

}  // namespace kv
