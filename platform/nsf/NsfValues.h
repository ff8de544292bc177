// The values of stored items as the Notes object model gives them: text (UTF-8), numbers and
// date-times, lists and ranges flattened into one list of values, rich text as its text.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>

#include "notes/NotesObjects.h"

namespace mailshift::nsf {

inline constexpr std::uint16_t kTypeComposite = 0x0001;
inline constexpr std::uint16_t kTypeObject = 0x0003;
inline constexpr std::uint16_t kTypeNumber = 0x0300;
inline constexpr std::uint16_t kTypeNumberRange = 0x0301;
inline constexpr std::uint16_t kTypeTime = 0x0400;
inline constexpr std::uint16_t kTypeTimeRange = 0x0401;
inline constexpr std::uint16_t kTypeText = 0x0500;
inline constexpr std::uint16_t kTypeTextList = 0x0501;
inline constexpr std::uint16_t kTypeMimePart = 0x0019;

// A TIMEDATE (two little-endian words); nothing when it holds no date.
std::optional<DateTime> TimeDateValue(std::uint64_t innards);
// LMBCS text as UTF-8.
std::string TextValue(std::span<const std::uint8_t> lmbcs);
// The values of an item of that type; throws NsfError naming `place` when the bytes do not fit.
notes::ItemValues DecodeValues(std::uint16_t type, std::span<const std::uint8_t> value,
                               const std::string& place);
// The Notes item type number the object model reports for a stored type (1280 text, 1 rich text...).
int ObjectModelType(std::uint16_t type);

}  // namespace mailshift::nsf
