#include <gtest/gtest.h>

#include <string>

#include "platform/nsf/FileObjectCodecs.h"

namespace mailshift::nsf {
namespace {

TEST(FileObjectCodecs, UncompressedContentIsTheFileCutToItsSize) {
  const std::string file = "\xCA\xFE\xBA\xBE" + std::string(300, '\x01');
  EXPECT_EQ(DecodeFileObject(kFileCompressionNone, file, file.size()), file);
  // Objects are allocated in whole units: what lies past the file's size is not the file.
  EXPECT_EQ(DecodeFileObject(kFileCompressionNone, file + std::string(212, '\0'), file.size()), file);
  EXPECT_EQ(DecodeFileObject(kFileCompressionNone, "", 0), "");
}

// Each refusal names its reason, so that the message written in part and the log line say why.
TEST(FileObjectCodecs, WhatCannotBeDecodedIsRefusedWithItsReason) {
  const struct {
    int compression;
    std::string stored;
    std::uint64_t size;
    const char* reason;
  } cases[] = {
      {kFileCompressionNone, "short", 6, "cut short: 5 of 6 bytes"},
      {kFileCompressionNone, "x", 1ull << 40, "cut short"},
      {kFileCompressionHuffman, std::string(100, 'h'), 200, "Huffman compression"},
      {kFileCompressionLz1, std::string(100, 'l'), 200, "LZ1 compression"},
      {7, "x", 1, "unknown compression 7"},
      {-1, "x", 1, "unknown compression -1"},
  };
  for (const auto& c : cases) {
    try {
      DecodeFileObject(c.compression, c.stored, c.size);
      ADD_FAILURE() << "decoded compression " << c.compression;
    } catch (const FileObjectError& error) {
      EXPECT_NE(std::string(error.what()).find(c.reason), std::string::npos) << error.what();
    }
  }
}

}  // namespace
}  // namespace mailshift::nsf
