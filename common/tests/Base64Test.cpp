// Base64: the encoder the composer's lines and the store fixtures share, and the decoder.
#include <gtest/gtest.h>

#include <string>

#include "common/Base64.h"

namespace mailshift {
namespace {

TEST(Base64Test, EncodesAndDecodesWhateverTheSplitting) {
  std::string bytes;
  for (int i = 0; i < 1000; ++i) bytes.push_back(static_cast<char>(i * 37 + i / 7));
  for (std::size_t length : {0u, 1u, 2u, 3u, 4u, 5u, 999u, 1000u}) {
    const std::string part = bytes.substr(0, length);
    const std::string text = EncodeBase64(part);
    EXPECT_EQ(text.size() % 4, 0u);
    EXPECT_TRUE(IsBase64(text));
    EXPECT_EQ(DecodeBase64(text), part);
    // Encoded in pieces of every size, the text is the same.
    for (std::size_t piece : {1u, 2u, 5u, 64u}) {
      Base64Encoder encoder;
      for (std::size_t at = 0; at < part.size(); at += piece)
        encoder.Add(std::string_view(part).substr(at, piece));
      EXPECT_EQ(encoder.Finish(), text);
    }
    // Decoded into buffers of every size, the bytes are the same.
    for (std::size_t capacity : {1u, 2u, 3u, 7u, 4096u}) {
      Base64Decoder decoder;
      std::string decoded;
      std::size_t position = 0;
      std::string buffer(capacity, '\0');
      while (const std::size_t got = decoder.Decode(text, position, buffer.data(), capacity)) {
        decoded.append(buffer, 0, got);
      }
      EXPECT_EQ(decoded, part) << length << " " << capacity;
    }
  }
}

TEST(Base64Test, KnownTextsBlanksAndMissingPadding) {
  EXPECT_EQ(EncodeBase64("Hello"), "SGVsbG8=");
  EXPECT_EQ(DecodeBase64("SGVsbG8="), "Hello");
  EXPECT_EQ(DecodeBase64("SGVs\r\nbG8"), "Hello");
  EXPECT_EQ(DecodeBase64("SGVsbA"), "Hell");
  EXPECT_EQ(DecodeBase64(""), "");
}

TEST(Base64Test, RefusesWhatIsNotBase64) {
  for (const char* text :
       {"SGVsbG8*", "S", "SGVsb", "SG=VsbG8", "SGVsbG8===", "SGVsbA=", "=", "SGVsbG8=x", "SGVs-G8="}) {
    EXPECT_FALSE(IsBase64(text)) << text;
    EXPECT_FALSE(DecodeBase64(text)) << text;
  }
}

}  // namespace
}  // namespace mailshift
