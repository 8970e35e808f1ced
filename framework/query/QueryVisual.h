#pragma once

#include <cstdint>

namespace kv {

class QueryManager;

// Query styles: how the values of a column are entered and read.
enum QueryStyle : std::int32_t {
  SingleValueStyle = 1,  // one value per column, typed with its own operator and markers
  RangeStyle = 2,        // a low and a high bound per column
};

// The query entry window of a QueryManager (its Visual): it fills the fields' LOW, MIDDLE and
// HIGH from what the user types and says which style it enters them in.
//
// Thread: the query manager's (the browse's window thread).
class QueryVisual {
 public:
  virtual ~QueryVisual() = default;

  // The style values are entered in: SingleValueStyle or RangeStyle.
  virtual std::int32_t GetStyle() const = 0;

  // Lets the user enter the values of `query`'s fields. True when the user confirmed them (the
  // fields then hold what was entered); false when cancelled (the fields are as before).
  // Blocks until the window closes.
  virtual bool Ask(QueryManager& query) = 0;
};

}  // namespace kv
