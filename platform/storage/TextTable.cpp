#include "platform/storage/TextTable.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>

namespace kv {
namespace {

StorageError FromErrno(ErrorCode fallback) {
  int err = errno;
  ErrorCode code = fallback;
  if (err == ENOENT) code = kNoFileError;
  if (err == EACCES || err == EROFS || err == EPERM) code = kAccessDenied;
  return StorageError::Of(code, std::to_string(err), std::strerror(err));
}

// Cuts `text` to at most `bytes` bytes without splitting a UTF-8 character.
std::string CutUtf8(std::string text, size_t bytes) {
  if (text.size() <= bytes) return text;
  size_t cut = bytes;
  while (cut > 0 && (static_cast<unsigned char>(text[cut]) & 0xC0) == 0x80) --cut;
  text.resize(cut);
  return text;
}

}  // namespace

StorageError TextTable::DoOpen(int mode) {
  const std::string& path = Decl().ExternalName();
  if (::access(path.c_str(), F_OK) != 0) return FromErrno(kNoFileError);
  bool writing = (mode & 0x0F) != kOpenReadOnly;
  if (::access(path.c_str(), writing ? (R_OK | W_OK) : R_OK) != 0) {
    return FromErrno(kAccessDenied);
  }
  // A file nobody may write is read-only for every user, the superuser too: its owner marked
  // it so, and a program that could still append to it would defeat the mark.
  struct stat st {};
  if (writing && ::stat(path.c_str(), &st) == 0 && (st.st_mode & 0222) == 0) {
    errno = EACCES;
    return FromErrno(kAccessDenied);
  }
  lines_.clear();
  current_ = -1;
  positioned_ = false;
  return {};
}

StorageError TextTable::DoCreate() {
  const std::string& path = Decl().ExternalName();
  if (::access(path.c_str(), F_OK) == 0) return {};
  std::FILE* f = std::fopen(path.c_str(), "a");
  if (!f) return FromErrno(kDriverError);
  if (std::fclose(f) != 0) return FromErrno(kDriverError);
  return {};
}

StorageError TextTable::DoClose() {
  lines_.clear();
  current_ = -1;
  positioned_ = false;
  return {};
}

StorageError TextTable::LoadLines() {
  std::ifstream in(Decl().ExternalName(), std::ios::binary);
  if (!in) return FromErrno(kNoFileError);
  lines_.clear();
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines_.push_back(std::move(line));
  }
  return {};
}

StorageError TextTable::DoSetKey(int) {
  StorageError e = LoadLines();
  if (!e.ok()) return e;
  current_ = -1;
  positioned_ = true;
  return {};
}

void TextTable::TakeLine(size_t index) {
  const RecordLayout& layout = Decl().Layout();
  layout.Clear(Record());
  if (layout.FieldCount() > 0) layout.Set(Record(), 0, SqlValue::Text(lines_[index]));
  current_ = long(index);
  NoteRecordRead();
}

StorageError TextTable::DoRead(bool forward) {
  if (!positioned_) {
    StorageError e = DoSetKey(0);
    if (!e.ok()) return e;
  }
  long next = current_;
  if (forward) {
    next = current_ + 1;
  } else {
    next = current_ < 0 ? long(lines_.size()) - 1 : current_ - 1;
  }
  if (next < 0 || next >= long(lines_.size())) {
    // Past the end a further read in the same direction stays at the end.
    if (forward)
      current_ = long(lines_.size());
    else
      current_ = -1;
    return StorageError::Of(kNoRecordError);
  }
  TakeLine(size_t(next));
  return {};
}

std::string TextTable::DoPosition(int) const {
  if (current_ < 0 || current_ >= long(lines_.size())) return {};
  return std::to_string(current_ + 1);
}

StorageError TextTable::DoResetTo(int, std::string_view position) {
  StorageError e = DoSetKey(0);
  if (!e.ok()) return e;
  long line = 0;
  for (char c : position) {
    if (c < '0' || c > '9' || line > 100000000) return StorageError::Of(kNoRecordError);
    line = line * 10 + (c - '0');
  }
  if (line < 1) return StorageError::Of(kNoRecordError);
  current_ = line - 2;  // Next reads line `line`
  return {};
}

StorageError TextTable::DoReget(int key, std::string_view position) {
  StorageError e = DoResetTo(key, position);
  if (!e.ok()) return e;
  return DoRead(true);
}

StorageError TextTable::DoAdd() {
  const RecordLayout& layout = Decl().Layout();
  std::string text;
  if (layout.FieldCount() > 0) {
    SqlValue v = layout.Get(Record(), 0);
    text = CanonicalText(v);
    size_t limit = layout.Column(0).size > 0 ? size_t(layout.Column(0).size) : text.size();
    text = CutUtf8(std::move(text), limit);
  }
  for (char& c : text)
    if (c == '\n' || c == '\r') c = ' ';
  // One write(2) on a descriptor opened for appending: the line lands at the end of the file
  // as a whole, even while other threads or processes append to the same file.
  int fd = ::open(Decl().ExternalName().c_str(), O_WRONLY | O_APPEND | O_CLOEXEC);
  if (fd < 0) return FromErrno(kDriverError);
  text += '\n';
  ssize_t written = 0;
  do {
    written = ::write(fd, text.data(), text.size());
  } while (written < 0 && errno == EINTR);
  int writeErrno = errno;
  bool whole = written == static_cast<ssize_t>(text.size());
  if (::close(fd) != 0 && whole) return FromErrno(kDriverError);
  if (!whole) {
    errno = written < 0 ? writeErrno : ENOSPC;  // a short append means the disk is full
    return FromErrno(kDriverError);
  }
  return {};
}

struct TextCursor {
  long current;
  bool positioned;
  std::vector<std::string> lines;
};

std::shared_ptr<void> TextTable::SaveCursor() const {
  return std::make_shared<TextCursor>(TextCursor{current_, positioned_, lines_});
}

void TextTable::RestoreCursor(const std::shared_ptr<void>& cursor) {
  if (!cursor) return;
  auto* c = static_cast<const TextCursor*>(cursor.get());
  current_ = c->current;
  positioned_ = c->positioned;
  lines_ = c->lines;
}

}  // namespace kv
