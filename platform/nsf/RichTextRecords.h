// The CD records of rich text, one at a time: each begins with a signature byte and a length that
// counts the header; the byte after the signature says how the length is written (0xFF: a word
// follows, 0: a double word follows, else it is the length). Records start at even offsets.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace mailshift::nsf {

struct CdRecord {
  unsigned char signature = 0;
  std::string_view body;  // the record after its header
};

class CdRecordReader {
 public:
  explicit CdRecordReader(std::string_view records) : records_(records) {}

  // Reads the next record; false at the end, or at a record whose length is shorter than its
  // header or runs past the end (then Broken()).
  bool Next(CdRecord& record);
  bool Broken() const { return broken_; }

 private:
  std::string_view records_;
  std::size_t at_ = 0;
  bool broken_ = false;
};

// Little-endian fields of a record body; 0 for a field past its end.
std::uint8_t CdByte(std::string_view body, std::size_t at);
std::uint16_t CdWord(std::string_view body, std::size_t at);
std::uint32_t CdDword(std::string_view body, std::size_t at);

// The signatures of the records rendered (the C API's SIG_CD_xxx, low byte).
namespace cd {
inline constexpr unsigned char kImageSegment = 0x7C;
inline constexpr unsigned char kImageHeader = 0x7D;
inline constexpr unsigned char kV5HotspotBegin = 0x7E;
inline constexpr unsigned char kV5HotspotEnd = 0x7F;
inline constexpr unsigned char kParagraph = 0x81;
inline constexpr unsigned char kPabDefinition = 0x82;
inline constexpr unsigned char kPabReference = 0x83;
inline constexpr unsigned char kText = 0x85;
inline constexpr unsigned char kLink2 = 0x91;
inline constexpr unsigned char kLinkExport2 = 0x92;
inline constexpr unsigned char kGraphic = 0x99;
inline constexpr unsigned char kTableBegin = 0xA3;
inline constexpr unsigned char kTableCell = 0xA4;
inline constexpr unsigned char kTableEnd = 0xA5;
inline constexpr unsigned char kHotspotBegin = 0xA9;
inline constexpr unsigned char kHotspotEnd = 0xAA;
inline constexpr unsigned char kV4HotspotBegin = 0xAD;
inline constexpr unsigned char kV4HotspotEnd = 0xAE;
inline constexpr unsigned char kNestedTableBegin = 0xCF;
inline constexpr unsigned char kNestedTableCell = 0xD0;
inline constexpr unsigned char kNestedTableEnd = 0xD1;
}  // namespace cd

}  // namespace mailshift::nsf
