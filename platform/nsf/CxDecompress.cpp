#include "platform/nsf/CxDecompress.h"

#include "platform/nsf/NsfError.h"

namespace mailshift::nsf {

namespace {

// Bits are taken from the lowest of each byte up; multi-bit fields come lowest bit first.
class BitReader {
 public:
  BitReader(std::span<const std::uint8_t> bytes, const std::string& place) : bytes_(bytes), place_(place) {}

  unsigned Bit() {
    if (position_ >= bytes_.size() * 8) throw NsfError(place_ + ": the compressed data ends too early");
    const unsigned bit = (bytes_[position_ / 8] >> (position_ % 8)) & 1u;
    ++position_;
    return bit;
  }
  std::uint32_t Bits(unsigned count) {
    std::uint32_t value = 0;
    for (unsigned i = 0; i < count; ++i) value |= static_cast<std::uint32_t>(Bit()) << i;
    return value;
  }
  // A number of at least 2: as many 0 bits as the number has bits after its leading 1, a 1 bit,
  // then the number's remaining bits and one more, lowest first, below a leading 1.
  std::uint32_t Gamma() {
    unsigned zeros = 0;
    while (Bit() == 0) {
      if (++zeros > 24) throw NsfError(place_ + ": a length or offset in the compressed data is too long");
    }
    return (1u << (zeros + 1)) | Bits(zeros + 1);
  }

 private:
  std::span<const std::uint8_t> bytes_;
  const std::string& place_;
  std::size_t position_ = 0;
};

}  // namespace

std::vector<std::uint8_t> CxDecompress(std::span<const std::uint8_t> compressed, std::size_t expectedSize,
                                       const std::string& place) {
  std::vector<std::uint8_t> out;
  out.reserve(expectedSize);
  BitReader bits(compressed, place);
  bits.Bits(3);  // a stream header, 1 in every database seen
  while (out.size() < expectedSize) {
    if (bits.Bit() == 0) {
      out.push_back(static_cast<std::uint8_t>(bits.Bits(8)));
      continue;
    }
    std::size_t length = 2;
    std::size_t high = 0;
    if (bits.Bit() == 0) {
      length = bits.Gamma() + 1;
      if (bits.Bit() == 0) high = bits.Gamma() - 1;
    }
    const std::size_t distance = (high << 8) | bits.Bits(8);
    if (distance == 0 || distance > out.size())
      throw NsfError(place + ": the compressed data refers to " + std::to_string(distance) +
                     " bytes back at " + std::to_string(out.size()));
    if (length > expectedSize - out.size())
      throw NsfError(place + ": the compressed data gives more than the " + std::to_string(expectedSize) +
                     " bytes announced");
    for (std::size_t i = 0; i < length; ++i) out.push_back(out[out.size() - distance]);
  }
  return out;
}

}  // namespace mailshift::nsf
