#include "platform/nsf/NsfValues.h"

#include <cstring>

#include "platform/nsf/Bytes.h"
#include "platform/nsf/Lmbcs.h"

namespace mailshift::nsf {

namespace {

constexpr std::int64_t kUnixEpochJulianDay = 2440588;


double Double(const Bytes& bytes, std::size_t at) {
  const std::uint64_t bits = bytes.U64(at);
  double value;
  std::memcpy(&value, &bits, sizeof value);
  return value;
}

void AddTime(notes::ItemValues& values, const Bytes& bytes, std::size_t at) {
  if (const auto time = TimeDateValue(bytes.U64(at))) values.emplace_back(*time);
}

// The rich text's text: the text of its text records, paragraphs on lines of their own.
std::string RichTextFallback(const Bytes& bytes) {
  std::string text;
  std::size_t at = 0;
  while (at + 2 <= bytes.size()) {
    const std::uint8_t signature = bytes.U8(at);
    const std::uint8_t marker = bytes.U8(at + 1);
    std::size_t length;
    std::size_t header;
    if (marker == 0xFF) {
      length = bytes.U16(at + 2);
      header = 4;
    } else if (marker == 0x00) {
      length = bytes.U32(at + 2);
      header = 6;
    } else {
      length = marker;
      header = 2;
    }
    if (length < header || length > bytes.size() - at) bytes.Refuse("a rich-text record runs past the item");
    if (signature == 0x85 && length >= header + 4) {  // text: a font id, then the text
      text += TextValue(bytes.Slice(at + header + 4, length - header - 4));
    } else if (signature == 0x81 && !text.empty()) {  // a new paragraph
      text += "\r\n";
    }
    at += length + (length % 2);
  }
  return text;
}

}  // namespace

std::optional<DateTime> TimeDateValue(std::uint64_t innards) {
  const std::uint32_t time = static_cast<std::uint32_t>(innards);
  const std::uint32_t date = static_cast<std::uint32_t>(innards >> 32);
  if ((date & 0x00FFFFFFu) == 0x00FFFFFFu) return std::nullopt;  // no date
  DateTime value;
  const std::int64_t day = static_cast<std::int64_t>(date & 0x00FFFFFFu) - kUnixEpochJulianDay;
  value.secondsSinceEpoch = day * 86400 + (time == 0xFFFFFFFFu ? 0 : static_cast<std::int64_t>(time / 100));
  // The zone the value was recorded in: hours and quarter hours, east or west; summer time is
  // only marked as observed, not as in effect, so the standard offset is given.
  const std::uint32_t zone = date >> 24;
  const int minutes = static_cast<int>(zone & 0x0F) * 60 + static_cast<int>((zone >> 4) & 0x03) * 15;
  value.utcOffsetMinutes = (zone & 0x40) != 0 ? minutes : -minutes;
  return value;
}

std::string TextValue(std::span<const std::uint8_t> lmbcs) {
  return LmbcsToUtf8(std::string_view(reinterpret_cast<const char*>(lmbcs.data()), lmbcs.size()));
}

notes::ItemValues DecodeValues(std::uint16_t type, std::span<const std::uint8_t> value,
                               const std::string& place) {
  const Bytes bytes(value, place);
  notes::ItemValues values;
  switch (type) {
    case kTypeText:
      values.emplace_back(TextValue(value));
      break;
    case kTypeTextList: {
      const std::uint16_t count = bytes.U16(0);
      std::size_t at = 2 + std::size_t{count} * 2;
      for (std::uint16_t i = 0; i < count; ++i) {
        const std::uint16_t length = bytes.U16(2 + std::size_t{i} * 2);
        values.emplace_back(TextValue(bytes.Slice(at, length)));
        at += length;
      }
      break;
    }
    case kTypeNumber:
      values.emplace_back(Double(bytes, 0));
      break;
    case kTypeNumberRange: {
      const std::uint16_t listed = bytes.U16(0);
      const std::uint16_t ranges = bytes.U16(2);
      std::size_t at = 4;
      for (std::uint32_t i = 0; i < listed + 2u * ranges; ++i, at += 8)
        values.emplace_back(Double(bytes, at));
      break;
    }
    case kTypeTime:
      AddTime(values, bytes, 0);
      break;
    case kTypeTimeRange: {
      const std::uint16_t listed = bytes.U16(0);
      const std::uint16_t ranges = bytes.U16(2);
      std::size_t at = 4;
      for (std::uint32_t i = 0; i < listed + 2u * ranges; ++i, at += 8) AddTime(values, bytes, at);
      break;
    }
    case kTypeComposite:
      values.emplace_back(RichTextFallback(bytes));
      break;
    default:
      break;  // values of other types (objects, signatures, formulas) are not given as values
  }
  return values;
}

int ObjectModelType(std::uint16_t type) {
  switch (type) {
    case kTypeText:
    case kTypeTextList:
      return 1280;
    case kTypeNumber:
    case kTypeNumberRange:
      return 768;
    case kTypeTime:
    case kTypeTimeRange:
      return 1024;
    case kTypeComposite:
      return notes::kRichTextItemType;
    case kTypeMimePart:
      return notes::kMimePartItemType;
    case kTypeObject:
      return 1084;
    default:
      return type;
  }
}

}  // namespace mailshift::nsf
