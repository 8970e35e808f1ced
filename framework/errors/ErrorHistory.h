#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace kv {

// One entry of the error history: a message as it was shown.
struct HistoryRecord {
  std::string CATEGORY;  // the message's category (its row's, else the default category)
  std::string TXT;       // the message text as shown, at most 1023 bytes
  std::int16_t ID = 0;   // the message identifier

  friend bool operator==(const HistoryRecord&, const HistoryRecord&) = default;
};

inline constexpr std::size_t kHistoryTextLimit = 1023;

// The in-memory history of shown messages, oldest first. It is never written to disk. Not
// synchronised: the error manager holds its lock around every call, and hands a copy (Records)
// to whatever shows the history so that no lock is held while it is shown.
class ErrorHistory {
 public:
  // Makes room for one more record under `threshold`: when it is positive, drops the oldest
  // records while `threshold` or more remain; 0 or negative drops nothing.
  void MakeRoom(std::int32_t threshold);

  // Appends `record`, its text cut to 1023 bytes (never inside a character).
  void Append(HistoryRecord record);

  void Clear() { records_.clear(); }
  std::size_t Count() const { return records_.size(); }
  const std::vector<HistoryRecord>& Records() const { return records_; }

 private:
  std::vector<HistoryRecord> records_;
};

}  // namespace kv
