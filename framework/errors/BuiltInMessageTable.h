#pragma once

#include <cstdint>
#include <span>

#include "framework/errors/MessageTable.h"

namespace kv {

// The framework's own messages: 52 rows, identifiers 1-53 without 32, one for each constant of
// MessageIds.h. The error manager loads them in InitWithLog.

// The rows in identifier order. The texts are static; the span is valid for the whole process.
std::span<const MessageRow> BuiltInMessageRows();

// The same rows in the packed form of MessageTable.h, made at compile time. Static storage:
// rows loaded from it may be kept for the whole process.
std::span<const std::uint8_t> BuiltInMessageTable();

}  // namespace kv
