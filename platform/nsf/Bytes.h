// Little-endian fields of a byte buffer read from the file, every access bounded: a field that
// does not fit throws NsfError with the place it was read for.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "platform/nsf/NsfError.h"

namespace mailshift::nsf {

class Bytes {
 public:
  Bytes(std::span<const std::uint8_t> bytes, std::string place) : bytes_(bytes), place_(std::move(place)) {}

  std::size_t size() const { return bytes_.size(); }
  const std::string& place() const { return place_; }
  std::span<const std::uint8_t> span() const { return bytes_; }

  std::uint8_t U8(std::size_t at) const {
    Need(at, 1);
    return bytes_[at];
  }
  std::uint16_t U16(std::size_t at) const {
    Need(at, 2);
    return static_cast<std::uint16_t>(bytes_[at] | (bytes_[at + 1] << 8));
  }
  std::uint32_t U32(std::size_t at) const {
    Need(at, 4);
    return static_cast<std::uint32_t>(bytes_[at]) | (static_cast<std::uint32_t>(bytes_[at + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes_[at + 2]) << 16) |
           (static_cast<std::uint32_t>(bytes_[at + 3]) << 24);
  }
  std::uint64_t U64(std::size_t at) const {
    return static_cast<std::uint64_t>(U32(at)) | (static_cast<std::uint64_t>(U32(at + 4)) << 32);
  }
  // The `length` bytes at `at`.
  std::span<const std::uint8_t> Slice(std::size_t at, std::size_t length) const {
    Need(at, length);
    return bytes_.subspan(at, length);
  }
  [[noreturn]] void Refuse(const std::string& reason) const { throw NsfError(place_ + ": " + reason); }

 private:
  void Need(std::size_t at, std::size_t length) const {
    if (at > bytes_.size() || length > bytes_.size() - at)
      Refuse(std::to_string(length) + " bytes at " + std::to_string(at) + " run past its end (" +
             std::to_string(bytes_.size()) + " bytes)");
  }

  std::span<const std::uint8_t> bytes_;
  std::string place_;
};

}  // namespace mailshift::nsf
