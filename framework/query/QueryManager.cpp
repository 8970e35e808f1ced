#include "framework/query/QueryManager.h"

#include "platform/values/Utf8Text.h"

namespace kv {

QueryManager::~QueryManager() {
  Kill();
}

void QueryManager::Init(ErrorManager& errors, QueryVisual* visual, IniManager* settings,
                        std::string_view family) {
  Errors = &errors;
  Visual = visual;
  Settings = settings;
  Family.assign(family);
  Fields = std::make_unique<std::vector<QueryField>>();
  MenuItems = std::make_unique<std::vector<QueryMenuItem>>();
  CurrentItem = "";
  viewName_.clear();
  separatorName_.clear();
  clearSeparatorName_.clear();
  clearName_.clear();
}

void QueryManager::Kill() {
  Fields.reset();
  MenuItems.reset();
}

std::size_t QueryManager::AddItem(std::string_view name, std::string_view title,
                                  std::string_view picture, bool forceEditPicture) {
  if (!Fields) return 0;
  QueryField field;
  field.NAME = name;
  field.TITLE = title;
  if (picture.starts_with('@')) picture.remove_prefix(1);
  field.PICTURE = picture;
  field.FORCEEDITPICTURE = forceEditPicture ? 1 : 0;
  Fields->push_back(field);
  return Fields->size();
}

QueryField* QueryManager::FindField(std::string_view name) {
  if (!Fields) return nullptr;
  std::string_view wanted = ClipRight(name);
  for (QueryField& field : *Fields) {
    if (EqualNoCase(field.NAME.Clipped(), wanted)) return &field;
  }
  return nullptr;
}

std::int32_t QueryManager::Style() const {
  return Visual != nullptr ? Visual->GetStyle() : SingleValueStyle;
}

bool QueryManager::Ask() {
  return Visual != nullptr && Fields && Visual->Ask(*this);
}

void QueryManager::ClearQuery() {
  if (!Fields) return;
  for (QueryField& field : *Fields) {
    field.LOW = "";
    field.MIDDLE = "";
    field.HIGH = "";
  }
}

std::pair<std::string, std::string> QueryManager::NormalizeOperator(std::string_view text,
                                                                    std::string_view op) {
  std::size_t lead = text.find_first_not_of("=<>~");
  if (lead == std::string_view::npos) lead = text.size();
  std::string work(text.substr(0, lead));
  std::string rest(text.substr(lead));
  if (op == kContains) {
    rest.insert(0, "*");
  } else if (op == kBegins) {
    rest += '*';
  } else if (op == "NOT =") {
    work += "<>";
  } else {
    work += op;
  }
  std::string result;
  for (char c : work) {
    if ((c == '<' || c == '>' || c == '~') && result.find(c) == std::string::npos) result += c;
  }
  bool both = work.find('<') != std::string::npos && work.find('>') != std::string::npos;
  if (work.find('=') != std::string::npos && !both) result += '=';
  return {result.substr(0, kOperatorMax), rest};
}

std::string QueryManager::QuoteValue(std::string_view value) {
  std::string out = "'";
  for (char c : value) {
    if (c == '\'') out += '\'';
    out += c;
  }
  out += '\'';
  return out;
}

}  // namespace kv
