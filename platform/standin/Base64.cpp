#include "platform/standin/Base64.h"

#include <cstdint>

namespace mailshift::standin {
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

}  // namespace

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
  std::size_t index = 0;
  auto next = [&]() { return static_cast<unsigned char>(bytes[index++]); };
  while (heldCount_ > 0 && heldCount_ < 3 && index < bytes.size()) {
    if (heldCount_ == 2) {
      const unsigned char third = next();
      const std::uint32_t group = (std::uint32_t{held_[0]} << 16) | (std::uint32_t{held_[1]} << 8) | third;
      for (int shift = 18; shift >= 0; shift -= 6) text_.push_back(kAlphabet[(group >> shift) & 0x3F]);
      heldCount_ = 0;
    } else {
      held_[heldCount_++] = next();
    }
  }
  const std::size_t groups = (bytes.size() - index) / 3;
  std::size_t out = text_.size();
  text_.resize(out + groups * 4);
  for (std::size_t g = 0; g < groups; ++g) {
    const std::uint32_t group = (std::uint32_t{next()} << 16) | (std::uint32_t{next()} << 8) | next();
    text_[out++] = kAlphabet[(group >> 18) & 0x3F];
    text_[out++] = kAlphabet[(group >> 12) & 0x3F];
    text_[out++] = kAlphabet[(group >> 6) & 0x3F];
    text_[out++] = kAlphabet[group & 0x3F];
  }
  while (index < bytes.size()) held_[heldCount_++] = next();
}

std::string Base64Encoder::Finish() {
  if (heldCount_ == 1) {
    const std::uint32_t group = std::uint32_t{held_[0]} << 16;
    text_.push_back(kAlphabet[(group >> 18) & 0x3F]);
    text_.push_back(kAlphabet[(group >> 12) & 0x3F]);
    text_ += "==";
  } else if (heldCount_ == 2) {
    const std::uint32_t group = (std::uint32_t{held_[0]} << 16) | (std::uint32_t{held_[1]} << 8);
    text_.push_back(kAlphabet[(group >> 18) & 0x3F]);
    text_.push_back(kAlphabet[(group >> 12) & 0x3F]);
    text_.push_back(kAlphabet[(group >> 6) & 0x3F]);
    text_.push_back('=');
  }
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

}  // namespace mailshift::standin
