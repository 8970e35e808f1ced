#include "framework/browse/RowQueue.h"

#include <algorithm>
#include <cstring>

#include "platform/storage/LastError.h"

namespace kv {

RowQueue::RowQueue(const FieldTable& fields, void* buffer) : fields_(fields), buffer_(buffer) {
  fieldPictures_.resize(std::size_t(fields.Count()));
  for (int n = 1; n <= fields.Count(); ++n) {
    const FieldDesc* f = fields.Field(n);
    Picture& p = fieldPictures_[std::size_t(n - 1)];
    if (f->picture.empty() || Picture::Parse(f->picture, &p) != PictureStatus::kOk) p = Picture();
  }
}

void RowQueue::Add() {
  AddAt(Records() + 1);
}

void RowQueue::AddAt(int position) {
  const std::size_t size = fields_.RecordSize();
  std::vector<std::byte> image(size);
  std::memcpy(image.data(), buffer_, size);
  position = std::clamp(position, 1, Records() + 1);
  rows_.insert(rows_.begin() + (position - 1), std::move(image));
  current_ = position;
}

ErrorCode RowQueue::Get(int position) {
  if (position < 1 || position > Records())
    return ReportStorageError(StorageError::Of(kNoRecordError));
  std::memcpy(buffer_, rows_[std::size_t(position - 1)].data(), fields_.RecordSize());
  current_ = position;
  return ReportSuccess();
}

ErrorCode RowQueue::Put() {
  if (current_ < 1 || current_ > Records())
    return ReportStorageError(StorageError::Of(kNoRecordError));
  std::memcpy(rows_[std::size_t(current_ - 1)].data(), buffer_, fields_.RecordSize());
  return ReportSuccess();
}

ErrorCode RowQueue::Delete() {
  if (current_ < 1 || current_ > Records())
    return ReportStorageError(StorageError::Of(kNoRecordError));
  rows_.erase(rows_.begin() + (current_ - 1));
  if (current_ > Records()) current_ = Records();
  return ReportSuccess();
}

void RowQueue::Free() {
  rows_.clear();
  current_ = 0;
}

std::string RowQueue::ColumnName(int n) const {
  const FieldDesc* f = fields_.Field(n);
  return f != nullptr ? std::string(f->label) : std::string();
}

void RowQueue::SetColumnPictures(const std::vector<std::string>& pictures) {
  pictures_.assign(pictures.size(), Picture());
  hasPicture_.assign(pictures.size(), false);
  for (std::size_t i = 0; i < pictures.size(); ++i) {
    if (pictures[i].empty()) continue;
    hasPicture_[i] = Picture::Parse(pictures[i], &pictures_[i]) == PictureStatus::kOk;
  }
}

std::string RowQueue::Cell(int row, int column) const {
  const FieldDesc* f = fields_.Field(column);
  if (f == nullptr || row < 1 || row > Records()) return {};
  // Formatting only reads the stored row; the program's row buffer is not involved.
  auto* image = const_cast<std::byte*>(rows_[std::size_t(row - 1)].data());
  VarRef value = fields_.Ref(image, column);
  const std::size_t c = std::size_t(column - 1);
  if (c < hasPicture_.size() && hasPicture_[c]) return pictures_[c].Format(value);
  if (!f->picture.empty()) return fieldPictures_[c].Format(value);
  return value.ToText();
}

}  // namespace kv
