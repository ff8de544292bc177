#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/mime/BodyEncoding.h"
#include "platform/mime/tests/RenderedMessage.h"

namespace mailshift::platform {
namespace {

using testing::DecodeBase64;
using testing::DecodeQuotedPrintable;

std::vector<std::string> Lines(const std::string& text) {
  std::vector<std::string> lines;
  for (std::size_t at = 0; at < text.size();) {
    const auto end = text.find("\r\n", at);
    EXPECT_NE(end, std::string::npos) << "the encoding ends in CR LF";
    if (end == std::string::npos) break;
    lines.push_back(text.substr(at, end - at));
    at = end + 2;
  }
  return lines;
}

void ExpectSevenBitLinesWithin76(const std::string& encoded) {
  EXPECT_TRUE(std::all_of(encoded.begin(), encoded.end(), [](char c) { return c > 0 && c < 0x7F; }));
  for (const std::string& line : Lines(encoded)) {
    EXPECT_LE(line.size(), 76u) << line;
    EXPECT_EQ(line.find_first_of("\r\n"), std::string::npos) << "bare CR or LF";
  }
}

TEST(QuotedPrintable, KeepsPlainTextReadableAndEndsEveryLine) {
  EXPECT_EQ(QuotedPrintable(""), "");
  EXPECT_EQ(QuotedPrintable("Hello,\r\nworld\n"), "Hello,\r\nworld\r\n");
  EXPECT_EQ(QuotedPrintable("no final break"), "no final break=\r\n");
  EXPECT_EQ(QuotedPrintable("\n\n"), "\r\n\r\n");
}

TEST(QuotedPrintable, EncodesWhatWouldNotSurviveAsItIs) {
  EXPECT_EQ(QuotedPrintable("a=b"), "a=3Db=\r\n");
  EXPECT_EQ(QuotedPrintable("M\xC3\xBC"), "M=C3=BC=\r\n");
  EXPECT_EQ(QuotedPrintable("bell\x07 del\x7F"), "bell=07 del=7F=\r\n");
  // A CR alone is a character of the text, not a line break.
  EXPECT_EQ(QuotedPrintable("a\rb"), "a=0Db=\r\n");
  // Blanks at the end of a line would be stripped by some readers.
  EXPECT_EQ(QuotedPrintable("tail \r\ntab\t\nend "), "tail=20\r\ntab=09\r\nend=20=\r\n");
  EXPECT_EQ(QuotedPrintable("inner blanks stay"), "inner blanks stay=\r\n");
}

TEST(QuotedPrintable, BreaksLongLinesSoftlyWithoutSplittingAnEscape) {
  for (const std::string& text :
       {std::string(1000, 'x'), std::string(300, '=') + "x", "ab" + std::string(500, '\xE2'),
        std::string(76, 'y') + "\n" + std::string(75, 'z'), std::string(74, 'w') + " \n"}) {
    const std::string encoded = QuotedPrintable(text);
    ExpectSevenBitLinesWithin76(encoded);
    EXPECT_EQ(DecodeQuotedPrintable(encoded), [&] {
      std::string crlf;
      for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
      return crlf;
    }());
  }
}

TEST(Base64, EncodesInLinesOf76WhateverThePiecesFedIn) {
  std::string bytes;
  for (int i = 0; i < 1000; ++i) bytes += static_cast<char>((i * 7919) & 0xFF);
  const std::string whole = Base64(bytes);
  ExpectSevenBitLinesWithin76(whole);
  EXPECT_EQ(DecodeBase64(whole), bytes);
  for (std::size_t piece : {1u, 2u, 56u, 57u, 58u, 300u}) {
    std::string fed;
    Base64Lines lines;
    for (std::size_t at = 0; at < bytes.size(); at += piece)
      lines.Add(std::string_view(bytes).substr(at, piece), fed);
    lines.Finish(fed);
    EXPECT_EQ(fed, whole) << "pieces of " << piece;
  }
}

TEST(Base64, PadsTheLastGroupAndWritesNothingForNoBytes) {
  EXPECT_EQ(Base64(""), "");
  EXPECT_EQ(Base64("M"), "TQ==\r\n");
  EXPECT_EQ(Base64("Ma"), "TWE=\r\n");
  EXPECT_EQ(Base64("Man"), "TWFu\r\n");
  EXPECT_EQ(Base64(std::string(57, 'a')).size(), 78u);
  EXPECT_EQ(Base64(std::string(58, 'a')).size(), 78u + 6u);
}

TEST(BodyEncodingChoice, PrefersBase64ForMostlyNonAsciiText) {
  EXPECT_FALSE(PrefersBase64(""));
  EXPECT_FALSE(
      PrefersBase64("Dear team, the figures are below. Gr\xC3\xBC\xC3\x9F"
                    "e aus M\xC3\xBCnchen"));
  EXPECT_TRUE(PrefersBase64("\xE6\x97\xA5\xE6\x9C\xAC"));
  EXPECT_FALSE(PrefersBase64(std::string(8, 'a') + "\xC3\xBC"));  // one byte in five
  EXPECT_TRUE(PrefersBase64(std::string(7, 'a') + "\xC3\xBC"));   // more than one in five
}

TEST(BodyEncodingChoice, CrLfLineEndsLeavesALoneCr) {
  EXPECT_EQ(CrLfLineEnds("a\nb\r\nc\rd\n"), "a\r\nb\r\nc\rd\r\n");
  EXPECT_EQ(CrLfLineEnds("\n"), "\r\n");
}

}  // namespace
}  // namespace mailshift::platform
