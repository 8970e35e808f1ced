#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "platform/storage/SqlValue.h"

namespace kv::dialect {

// Small text helpers the server dialects share (platform/storage/*Dialect.cpp).

// True when `text` contains `what`, ignoring ASCII case.
bool Contains(std::string_view text, std::string_view what);
// True when `code` is one of `any`.
bool CodeIs(std::string_view code, std::initializer_list<std::string_view> any);
// True when `text` holds `number` not as part of a longer number.
bool ContainsNumber(std::string_view text, std::string_view number);
// "type(p,s)" for a decimal column, precision clamped to 1..38 and scale to 0..precision.
std::string DecimalType(std::string_view type, const ColumnDesc& column);
// The width of a text column as digits (at least 1).
std::string Width(const ColumnDesc& column);
// Number of digits after the point of a decimal text (0 when it has none).
int DecimalPlaces(std::string_view decimalText);
// The text between `open` and the next `close` after the first `marker` (ignoring ASCII case) in
// `text`, blanks before `open` skipped; empty when there is none.
std::string QuotedAfter(std::string_view text, std::string_view marker, char open, char close);
// The parts appended in order, without temporaries.
std::string Join(std::initializer_list<std::string_view> parts);

}  // namespace kv::dialect
