// The message list, the current message and its token expansion, and the procedure names of
// the error manager.
#include <string>
#include <vector>

#include "framework/errors/ErrorManager.h"
#include "framework/errors/MessageTable.h"
#include "framework/errors/MessageText.h"
#include "platform/thread/LogicalThread.h"

namespace kv {

bool ErrorManager::AddMessage(MessageId id, std::string_view text, ResultLevel level,
                              std::string_view title, std::string_view category) {
  CriticalGuard guard(CRITSECT);
  if (!ERRORS) return false;
  ERRORS->Add(MessageEntry{id, text, title, level, std::string(category)});
  return true;
}

bool ErrorManager::LoadMessages(std::span<const std::uint8_t> table) {
  std::vector<MessageRow> rows;
  bool complete = ParseMessageTable(table, rows);
  CriticalGuard guard(CRITSECT);
  if (!ERRORS) return false;
  ERRORS->Add(rows);
  return complete;
}

bool ErrorManager::RemoveMessage(MessageId id) {
  CriticalGuard guard(CRITSECT);
  return ERRORS && ERRORS->Remove(id);
}

void ErrorManager::SetMessageCategory(MessageId id, std::string_view category) {
  CriticalGuard guard(CRITSECT);
  if (id == kDefaultCategoryId) {
    DEFAULTCATEGORY.assign(category);
    return;
  }
  if (!ERRORS) return;
  if (MessageEntry* row = ERRORS->Find(id)) row->CATEGORY.assign(category);
}

std::string ErrorManager::GetMessageCategory(MessageId id) const {
  CriticalGuard guard(CRITSECT);
  if (id != kDefaultCategoryId && ERRORS) {
    const MessageEntry* row = ERRORS->Find(id);
    if (row && !row->CATEGORY.empty()) return row->CATEGORY;
  }
  return DEFAULTCATEGORY;
}

void ErrorManager::SelectMessage(MessageId id) {
  ErrorStatus& status = Status();
  status.PREVERRORID = status.ERRORBUFFER.ID;
  CurrentMessage selected;
  {
    CriticalGuard guard(CRITSECT);
    const MessageEntry* row = ERRORS ? ERRORS->Find(id) : nullptr;
    if (row) {
      selected.ID = row->ID;
      selected.MESSAGE.assign(row->MESSAGE);
      selected.TITLE.assign(row->TITLE);
      selected.FATALITY = row->FATALITY;
      selected.CATEGORY = row->CATEGORY;
    }
  }
  status.ERRORBUFFER = std::move(selected);
}

std::string ErrorManager::PreviousText(const ErrorStatus& status) const {
  if (status.PREVERRORID < 0 || status.PREVERRORID > 0xFFFF) return {};
  CriticalGuard guard(CRITSECT);
  const MessageEntry* row =
      ERRORS ? ERRORS->Find(static_cast<MessageId>(status.PREVERRORID)) : nullptr;
  return row ? std::string(row->MESSAGE) : std::string();
}

std::string ErrorManager::ExpandMessageText() const {
  const ErrorStatus& s = Status();
  std::string text(CutUtf8(s.ERRORBUFFER.MESSAGE, kExpandedTextLimit));
  const std::string code = std::to_string(s.SAVEERRORCODE);
  // Codes 90 and 100 mean the driver failed: its own text and code say what went wrong.
  const std::string errorText = (s.SAVEERRORCODE == 90 || s.SAVEERRORCODE == 100)
                                    ? s.SAVEFILEERROR + " (" + s.SAVEFILEERRORCODE + ")"
                                    : s.SAVEERROR + " (" + code + ")";
  // Longer tokens come before their prefixes, so "%FileError" is never taken for "%File".
  ReplaceToken(text, "%FileErrorCode", s.SAVEFILEERRORCODE);
  ReplaceToken(text, "%FileError", s.SAVEFILEERROR);
  ReplaceToken(text, "%File", s.FILENAME);
  ReplaceToken(text, "%Key", s.KEYNAME);
  ReplaceToken(text, "%ErrorCode", code);
  ReplaceToken(text, "%ErrorText", errorText);
  ReplaceToken(text, "%Error", s.SAVEERROR);
  ReplaceToken(text, "%Message", s.MESSAGETEXT);
  ReplaceToken(text, "%Field", s.FIELDNAME);
  ReplaceToken(text, "%Procedure", CurrentProcedureName());
  ReplaceToken(text, "%Category", s.ERRORBUFFER.CATEGORY);
  if (text.find("%Previous") != std::string::npos) {
    ReplaceToken(text, "%Previous", PreviousText(s));
  }
  return text;
}

ResultLevel ErrorManager::CurrentLevel() const {
  return Status().ERRORBUFFER.FATALITY;
}

std::string ErrorManager::CurrentTitle() const {
  return Status().ERRORBUFFER.TITLE;
}

std::int32_t ErrorManager::CurrentId() const {
  return Status().ERRORBUFFER.ID;
}

void ErrorManager::PushProcedureName(std::string_view name) {
  CriticalGuard guard(CRITSECT);
  if (PROCNAMES) PROCNAMES->Push(CurrentThread(), name);
}

void ErrorManager::PopProcedureName() {
  CriticalGuard guard(CRITSECT);
  // Removes the thread's innermost row even when its name is empty, so that pushes and pops
  // stay paired and the outer names surface again.
  if (PROCNAMES) (void)PROCNAMES->Pop(CurrentThread());
}

std::string ErrorManager::CurrentProcedureName() const {
  CriticalGuard guard(CRITSECT);
  return PROCNAMES ? PROCNAMES->Current(CurrentThread()) : std::string();
}

}  // namespace kv
