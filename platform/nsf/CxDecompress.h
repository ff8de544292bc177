// The "CX" compression that the superblock and the bucket descriptor block are stored with: an
// LZ77 bit stream (see docs/nsf-reader.md for its layout as worked out from real databases).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace mailshift::nsf {

// Exactly `expectedSize` bytes decoded from `compressed`; throws NsfError naming `place` when the
// stream ends early, refers before its start or would give more.
std::vector<std::uint8_t> CxDecompress(std::span<const std::uint8_t> compressed, std::size_t expectedSize,
                                       const std::string& place);

}  // namespace mailshift::nsf
