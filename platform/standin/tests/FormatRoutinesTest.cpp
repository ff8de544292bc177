// ISO 8601 date-times and base64 as fixtures carry them.
#include <gtest/gtest.h>

#include "platform/standin/Base64.h"
#include "platform/standin/IsoDateTime.h"

namespace mailshift::standin {
namespace {

TEST(IsoDateTimeTest, ReadsTheInstantAndKeepsTheOffset) {
  EXPECT_EQ(ParseIsoDateTime("1970-01-01T00:00:00Z"), (DateTime{0, 0}));
  EXPECT_EQ(ParseIsoDateTime("1970-01-01T00:00:00+01:00"), (DateTime{-3600, 60}));
  EXPECT_EQ(ParseIsoDateTime("2008-11-05T14:30:00-05:00"), (DateTime{1225913400, -300}));
  EXPECT_EQ(ParseIsoDateTime("1969-12-31T23:59:59-00:30"), (DateTime{1799, -30}));
  EXPECT_EQ(ParseIsoDateTime("2000-02-29T12:00:00+00:00"), (DateTime{951825600, 0}));
}

TEST(IsoDateTimeTest, WritesTheClockTimeOfTheOffset) {
  EXPECT_EQ(FormatIsoDateTime(DateTime{1225913400, -300}), "2008-11-05T14:30:00-05:00");
  EXPECT_EQ(FormatIsoDateTime(DateTime{0, 0}), "1970-01-01T00:00:00+00:00");
  EXPECT_EQ(FormatIsoDateTime(DateTime{-1, 0}), "1969-12-31T23:59:59+00:00");
  EXPECT_EQ(FormatIsoDateTime(DateTime{1246415400, 330}), "2009-07-01T08:00:00+05:30");
  for (const char* text :
       {"0001-01-01T00:00:00+00:00", "9999-12-31T23:59:59+00:00", "1900-03-01T00:00:00-23:59",
        "2400-02-29T23:00:00+14:00", "1600-12-31T10:10:10+00:01"}) {
    const auto when = ParseIsoDateTime(text);
    ASSERT_TRUE(when) << text;
    EXPECT_EQ(FormatIsoDateTime(*when), text);
  }
}

TEST(IsoDateTimeTest, RefusesWhatIsNotADateTime) {
  for (const char* text : {"",
                           "2008-11-05",
                           "2008-11-05T14:30:00",
                           "2008-11-05 14:30:00Z",
                           "2008-11-05T14:30Z",
                           "2008-13-05T14:30:00Z",
                           "2008-11-31T14:30:00Z",
                           "1900-02-29T00:00:00Z",
                           "2008-11-05T24:00:00Z",
                           "2008-11-05T14:60:00Z",
                           "2008-11-05T14:30:60Z",
                           "2008-11-05T14:30:00.5Z",
                           "2008-11-05T14:30:00+0500",
                           "2008-11-05T14:30:00+24:00",
                           "2008-11-05T14:30:00+05:60",
                           "0000-01-01T00:00:00Z",
                           "2008-11-05T14:30:00Zjunk",
                           "２００８-11-05T14:30:00Z",
                           "0001-01-01T00:00:00+01:00",
                           "9999-12-31T23:00:00-01:00",
                           "+2008-11-05T14:30:00Z"}) {
    EXPECT_FALSE(ParseIsoDateTime(text)) << text;
  }
}

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
}  // namespace mailshift::standin
