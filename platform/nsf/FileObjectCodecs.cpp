#include "platform/nsf/FileObjectCodecs.h"

namespace mailshift::nsf {

std::string DecodeFileObject(int compression, std::string_view stored, std::uint64_t expectedSize) {
  switch (compression) {
    case kFileCompressionNone:
      if (stored.size() < expectedSize) {
        throw FileObjectError("the stored file is cut short: " + std::to_string(stored.size()) + " of " +
                              std::to_string(expectedSize) + " bytes");
      }
      return std::string(stored.substr(0, static_cast<std::size_t>(expectedSize)));
    case kFileCompressionHuffman:
      throw FileObjectError(
          "cannot decode the file: it is stored with Notes' Huffman compression, which this "
          "program cannot read");
    case kFileCompressionLz1:
      throw FileObjectError(
          "cannot decode the file: it is stored with Notes' LZ1 compression, which this program "
          "cannot read");
    default:
      throw FileObjectError("cannot decode the file: unknown compression " + std::to_string(compression));
  }
}

}  // namespace mailshift::nsf
