#pragma once

#include <cstdint>
#include <string>

#include "platform/storage/ErrorCode.h"

namespace kv {

// The rows a browse keeps, as the browse manager sees them: a list addressed by position
// (from 1) with one row buffer through which rows go in and out, each row carrying the view
// position of its record. A derived browse may put other storage behind it.
// Thread: the browse's logical thread.
class BrowseQueue {
 public:
  virtual ~BrowseQueue() = default;

  // Number of rows.
  virtual std::int32_t Records() = 0;
  // Appends the row buffer.
  virtual void Add() = 0;
  // Inserts the row buffer at `position` (from 1).
  virtual void AddAt(std::int32_t position) = 0;
  // Loads row `position` into the row buffer; kNoRecordError (buffer unchanged, the thread's
  // last error set) when there is no such row.
  virtual ErrorCode Get(std::int32_t position) = 0;
  // Writes the row buffer back over the row last loaded.
  virtual void Put() = 0;
  // Deletes the row last loaded.
  virtual void Delete() = 0;
  // Removes every row.
  virtual void Free() = 0;
  // The name of the row layout's n-th field; empty when there is none.
  virtual std::string ColumnName(std::int32_t n) = 0;
  // The view position held in the row buffer (clipped).
  virtual std::string GetPosition() = 0;
  // Stores a view position into the row buffer.
  virtual void SetPosition(const std::string& position) = 0;
};

}  // namespace kv
