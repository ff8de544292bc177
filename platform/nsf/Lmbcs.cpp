#include "platform/nsf/Lmbcs.h"

#include <array>
#include <cstdint>

#include "common/Utf8.h"
#include "platform/nsf/LmbcsTables.h"

namespace mailshift::nsf {
namespace {

namespace tables = lmbcs_tables;

constexpr char32_t kReplacement = 0xFFFD;
constexpr unsigned char kUnicodeGroup = 0x14;
// A UTF-16 unit whose high byte is zero carries 0xF6 in its place (inferred from the published
// notes on LMBCS; the private-use units U+F600-U+F6FF are given up for it).
constexpr unsigned char kUnicodeZeroHigh = 0xF6;

// Group 0x01 below 0x80: Notes' own characters beside code page 850. Positions 0x01-0x1F are the
// PC's graphic symbols; of 0x20-0x7F, the positions known from the published exception list
// (accents, the no-break space, ij and the Maltese and Greenlandic letters). Unknown ones are 0.
constexpr std::array<char16_t, 0x80> MakeGroup01Low() {
  std::array<char16_t, 0x80> low{};
  constexpr char16_t kPcSymbols[31] = {0x263A, 0x263B, 0x2665, 0x2666, 0x2663, 0x2660, 0x2022, 0x25D8,
                                       0x25CB, 0x25D9, 0x2642, 0x2640, 0x266A, 0x266B, 0x263C, 0x25BA,
                                       0x25C4, 0x2195, 0x203C, 0x00B6, 0x00A7, 0x25AC, 0x21A8, 0x2191,
                                       0x2193, 0x2192, 0x2190, 0x221F, 0x2194, 0x25B2, 0x25BC};
  for (int i = 0; i < 31; ++i) low[1 + i] = kPcSymbols[i];
  low[0x20] = low[0x30] = 0x00A8;  // diaeresis
  low[0x21] = low[0x31] = low[0x6C] = 0x007E;
  low[0x23] = low[0x33] = low[0x6D] = 0x005E;
  low[0x24] = low[0x34] = 0x0060;
  low[0x25] = low[0x35] = 0x00B4;  // acute accent
  low[0x27] = 0x0027;
  low[0x3B] = 0x00A0;  // no-break space
  low[0x60] = 0x0133;
  low[0x61] = 0x0132;
  low[0x67] = 0x00AF;  // macron
  low[0x72] = 0x0126;
  low[0x73] = 0x0127;
  low[0x7A] = 0x0138;
  return low;
}
constexpr auto kGroup01Low = MakeGroup01Low();

// Group 0x06 below 0x80: the Latin letters of Baltic and Esperanto text that code page 852 lacks.
constexpr std::array<char16_t, 0x80> MakeGroup06Low() {
  std::array<char16_t, 0x80> low{};
  constexpr char16_t kLetters[27] = {0x0101, 0x0108, 0x0109, 0x010A, 0x010B, 0x0112, 0x0113, 0x0116, 0x0117,
                                     0x011C, 0x011D, 0x0120, 0x0121, 0x0122, 0x0123, 0x0124, 0x0125, 0x0128,
                                     0x0129, 0x012A, 0x012B, 0x012E, 0x012F, 0x0134, 0x0135, 0x0136, 0x0137};
  for (int i = 0; i < 27; ++i) low[1 + i] = kLetters[i];
  low[0x2E] = 0x0100;
  return low;
}
constexpr auto kGroup06Low = MakeGroup06Low();

const char16_t* SingleByteUpperHalf(unsigned char group) {
  switch (group) {
    case 0x01:
      return tables::kGroup01;
    case 0x02:
      return tables::kGroup02;
    case 0x03:
      return tables::kGroup03;
    case 0x04:
      return tables::kGroup04;
    case 0x05:
      return tables::kGroup05;
    case 0x06:
      return tables::kGroup06;
    case 0x08:
      return tables::kGroup08;
    case 0x0B:
      return tables::kGroup0B;
    default:
      return nullptr;
  }
}

struct DoubleBytePage {
  const char16_t* single;
  const char16_t* pairs;
};

const DoubleBytePage* DoubleBytePageOf(unsigned char group) {
  static const DoubleBytePage kPages[4] = {{tables::kGroup10Single, tables::kGroup10Pairs},
                                           {tables::kGroup11Single, tables::kGroup11Pairs},
                                           {tables::kGroup12Single, tables::kGroup12Pairs},
                                           {tables::kGroup13Single, tables::kGroup13Pairs}};
  return group >= 0x10 && group <= 0x13 ? &kPages[group - 0x10] : nullptr;
}

bool IsHighSurrogate(char32_t unit) { return unit >= 0xD800 && unit <= 0xDBFF; }
bool IsLowSurrogate(char32_t unit) { return unit >= 0xDC00 && unit <= 0xDFFF; }

class Decoder {
 public:
  explicit Decoder(std::string_view text) : text_(text) {}

  std::string Run() {
    std::string out;
    out.reserve(text_.size() + text_.size() / 2);
    while (at_ < text_.size()) {
      const char32_t code = Next();
      AppendUtf8(out, code == 0 ? U'\n' : code);
    }
    return out;
  }

 private:
  unsigned char Byte(std::size_t at) const { return static_cast<unsigned char>(text_[at]); }
  std::size_t Left() const { return text_.size() - at_; }

  // The next character; 0 for a zero byte.
  char32_t Next() {
    const unsigned char byte = Byte(at_);
    if (byte >= 0x80) {  // the Latin page without its group byte
      ++at_;
      return Mapped(tables::kGroup01[byte - 0x80]);
    }
    if (byte >= 0x20 || byte == 0 || byte == '\t' || byte == '\n' || byte == '\r') {
      ++at_;
      return byte;
    }
    return Group(byte);
  }

  static char32_t Mapped(char16_t unit) { return unit == 0 ? kReplacement : unit; }

  // A group byte and what follows it.
  char32_t Group(unsigned char group) {
    if (group == kUnicodeGroup) return Unicode();
    if (Left() < 2) {  // a group byte at the very end
      at_ = text_.size();
      return kReplacement;
    }
    const unsigned char first = Byte(at_ + 1);
    if (const DoubleBytePage* page = DoubleBytePageOf(group)) {
      const bool lead = first >= tables::kLeadFirst && first <= tables::kLeadLast;
      if (lead && Left() >= 3) {
        const unsigned char trail = Byte(at_ + 2);
        if (trail >= tables::kTrailFirst && trail <= tables::kTrailLast) {
          const char16_t unit =
              page->pairs[(first - tables::kLeadFirst) * tables::kTrailCount + (trail - tables::kTrailFirst)];
          if (unit != 0) {
            at_ += 3;
            return unit;
          }
        }
      }
      // A single byte of the page, or a lead without its trail byte.
      at_ += 2;
      if (first >= 0x80 && !lead) return Mapped(page->single[first - 0x80]);
      if (first >= 0x80 && page->single[first - 0x80] != 0) return page->single[first - 0x80];
      return kReplacement;
    }
    at_ += 2;
    if (first >= 0x80) {
      const char16_t* upper = SingleByteUpperHalf(group);
      return upper ? Mapped(upper[first - 0x80]) : kReplacement;
    }
    if (group == 0x01) return Mapped(kGroup01Low[first]);
    if (group == 0x06) return Mapped(kGroup06Low[first]);
    return kReplacement;
  }

  // Group 0x14: one UTF-16 unit, high byte first; a pair of them for a character beyond the
  // basic plane.
  char32_t Unicode() {
    if (Left() < 3) {
      at_ = text_.size();
      return kReplacement;
    }
    const char32_t unit = UnitAt(at_);
    at_ += 3;
    if (IsHighSurrogate(unit)) {
      if (Left() >= 3 && Byte(at_) == kUnicodeGroup && IsLowSurrogate(UnitAt(at_))) {
        const char32_t low = UnitAt(at_);
        at_ += 3;
        return 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
      }
      return kReplacement;
    }
    if (IsLowSurrogate(unit)) return kReplacement;
    return unit;
  }

  char32_t UnitAt(std::size_t groupAt) const {
    unsigned char high = Byte(groupAt + 1);
    if (high == kUnicodeZeroHigh) high = 0;
    return static_cast<char32_t>(high) << 8 | Byte(groupAt + 2);
  }

  std::string_view text_;
  std::size_t at_ = 0;
};

}  // namespace

std::string LmbcsToUtf8(std::string_view lmbcs) { return Decoder(lmbcs).Run(); }

}  // namespace mailshift::nsf
