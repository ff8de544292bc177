#include "common/Base64.h"

#include <array>
#include <cstdint>
#include <cstring>

namespace mailshift {
namespace {

constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

int SextetOf(char c) {
  if (c >= 'A' && c <= 'Z') return c - 'A';
  if (c >= 'a' && c <= 'z') return c - 'a' + 26;
  if (c >= '0' && c <= '9') return c - '0' + 52;
  if (c == '+') return 62;
  if (c == '/') return 63;
  return -1;
}

bool IsSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

// The two base64 characters of every 12 bits, so that a group of three bytes takes two look-ups.
constexpr auto kPairs = [] {
  std::array<char, 2 * 4096> pairs{};
  for (std::size_t bits = 0; bits < 4096; ++bits) {
    pairs[2 * bits] = kAlphabet[bits >> 6];
    pairs[2 * bits + 1] = kAlphabet[bits & 0x3F];
  }
  return pairs;
}();

// The eight bytes as a number, the first the most significant (compilers make this one load).
std::uint64_t BigEndian64(const unsigned char* bytes) {
  return (std::uint64_t{bytes[0]} << 56) | (std::uint64_t{bytes[1]} << 48) | (std::uint64_t{bytes[2]} << 40) |
         (std::uint64_t{bytes[3]} << 32) | (std::uint64_t{bytes[4]} << 24) | (std::uint64_t{bytes[5]} << 16) |
         (std::uint64_t{bytes[6]} << 8) | std::uint64_t{bytes[7]};
}

}  // namespace

char* PutBase64(const char* data, std::size_t size, char* out) {
  const auto* bytes = reinterpret_cast<const unsigned char*>(data);
  std::size_t at = 0;
  // Two groups at a time from eight bytes read at once, while there are eight.
  for (; at + 8 <= size; at += 6) {
    const std::uint64_t groups = BigEndian64(bytes + at) >> 16;
    std::memcpy(out, &kPairs[2 * (groups >> 36)], 2);
    std::memcpy(out + 2, &kPairs[2 * ((groups >> 24) & 0xFFF)], 2);
    std::memcpy(out + 4, &kPairs[2 * ((groups >> 12) & 0xFFF)], 2);
    std::memcpy(out + 6, &kPairs[2 * (groups & 0xFFF)], 2);
    out += 8;
  }
  for (; at + 3 <= size; at += 3) {
    const std::uint32_t group =
        (std::uint32_t{bytes[at]} << 16) | (std::uint32_t{bytes[at + 1]} << 8) | std::uint32_t{bytes[at + 2]};
    std::memcpy(out, &kPairs[2 * (group >> 12)], 2);
    std::memcpy(out + 2, &kPairs[2 * (group & 0xFFF)], 2);
    out += 4;
  }
  if (at < size) {
    const std::size_t rest = size - at;
    std::uint32_t group = std::uint32_t{bytes[at]} << 16;
    if (rest > 1) group |= std::uint32_t{bytes[at + 1]} << 8;
    out[0] = kAlphabet[group >> 18];
    out[1] = kAlphabet[(group >> 12) & 0x3F];
    out[2] = rest > 1 ? kAlphabet[(group >> 6) & 0x3F] : '=';
    out[3] = '=';
    out += 4;
  }
  return out;
}

bool IsBase64(std::string_view text) {
  std::size_t sextets = 0;
  std::size_t padding = 0;
  for (const char c : text) {
    if (IsSpace(c)) continue;
    if (c == '=') {
      ++padding;
      continue;
    }
    if (padding > 0 || SextetOf(c) < 0) return false;  // nothing but blanks may follow the padding
    ++sextets;
  }
  if (sextets % 4 == 1) return false;
  if (padding == 0) return true;
  return padding <= 2 && (sextets + padding) % 4 == 0;
}

std::size_t Base64Decoder::Decode(std::string_view text, std::size_t& position, char* out,
                                  std::size_t capacity) {
  std::size_t written = 0;
  auto put = [&](char byte) {
    if (written < capacity) {
      out[written++] = byte;
    } else {
      carry_.push_back(byte);
    }
  };
  while (!carry_.empty() && written < capacity) {
    out[written++] = carry_.front();
    carry_.erase(carry_.begin());
  }
  while (written < capacity && position < text.size()) {
    const int sextet = SextetOf(text[position++]);
    if (sextet < 0) continue;  // blanks and padding
    bits_ = (bits_ << 6) | static_cast<std::uint32_t>(sextet);
    if (++pendingSextets_ == 4) {
      put(static_cast<char>((bits_ >> 16) & 0xFF));
      put(static_cast<char>((bits_ >> 8) & 0xFF));
      put(static_cast<char>(bits_ & 0xFF));
      bits_ = 0;
      pendingSextets_ = 0;
    }
  }
  if (position >= text.size() && pendingSextets_ > 0) {
    // Unpadded or padded end: 2 sextets give one byte, 3 give two.
    if (pendingSextets_ >= 2) {
      const std::uint32_t bits = bits_ << (6 * (4 - pendingSextets_));
      put(static_cast<char>((bits >> 16) & 0xFF));
      if (pendingSextets_ == 3) put(static_cast<char>((bits >> 8) & 0xFF));
    }
    bits_ = 0;
    pendingSextets_ = 0;
  }
  return written;
}

void Base64Encoder::Add(std::string_view bytes) {
  while (heldCount_ > 0 && heldCount_ < 3 && !bytes.empty()) {
    held_[heldCount_++] = static_cast<unsigned char>(bytes.front());
    bytes.remove_prefix(1);
    if (heldCount_ == 3) {
      const std::size_t end = text_.size();
      text_.resize(end + 4);
      PutBase64(reinterpret_cast<const char*>(held_), 3, text_.data() + end);
      heldCount_ = 0;
    }
  }
  const std::size_t whole = bytes.size() / 3 * 3;
  const std::size_t end = text_.size();
  text_.resize(end + Base64Length(whole));
  PutBase64(bytes.data(), whole, text_.data() + end);
  for (const char byte : bytes.substr(whole)) held_[heldCount_++] = static_cast<unsigned char>(byte);
}

std::string Base64Encoder::Finish() {
  const std::size_t end = text_.size();
  text_.resize(end + Base64Length(static_cast<std::size_t>(heldCount_)));
  PutBase64(reinterpret_cast<const char*>(held_), static_cast<std::size_t>(heldCount_), text_.data() + end);
  heldCount_ = 0;
  return std::move(text_);
}

std::string EncodeBase64(std::string_view bytes) {
  Base64Encoder encoder;
  encoder.Add(bytes);
  return encoder.Finish();
}

std::optional<std::string> DecodeBase64(std::string_view text) {
  if (!IsBase64(text)) return std::nullopt;
  std::string bytes(text.size() / 4 * 3 + 3, '\0');
  std::size_t position = 0;
  Base64Decoder decoder;
  const std::size_t written = decoder.Decode(text, position, bytes.data(), bytes.size());
  bytes.resize(written);
  return bytes;
}

}  // namespace mailshift
