#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/storage/SqlValue.h"

namespace kv {

// Record positions of the SQL driver (and of views built on its keyset reads): the values of
// a record along an order, encoded as text. Each value is "N" for null or "V" followed by its
// canonical text (CanonicalText) with "%" written "%25" and "|" written "%7C"; values are joined
// by "|". Equal records therefore give equal texts, and the text decodes back to the values.
// Plain functions; any thread.

// The longest position text the runtime hands out.
inline constexpr std::size_t kMaxPositionLength = 1024;

// The position text of `values`; empty when it would be longer than kMaxPositionLength.
std::string EncodePosition(const std::vector<SqlValue>& values);

// Decodes `text` into one value per column of `columns`, typed by the column. False when the
// text is not a position of that shape (wrong count, bad escape, a number that does not parse).
bool DecodePosition(std::string_view text, const std::vector<ColumnDesc>& columns,
                    std::vector<SqlValue>* values);

}  // namespace kv
