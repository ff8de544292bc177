// The content of an attached file as Notes stores it in a file object, restored to the file's bytes.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>

namespace mailshift::nsf {

// The compression of a file object (the C API's COMPRESS_xxx in FILEOBJECT).
inline constexpr int kFileCompressionNone = 0;
inline constexpr int kFileCompressionHuffman = 1;
inline constexpr int kFileCompressionLz1 = 2;

// A file object this program cannot restore; what() names the reason.
class FileObjectError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The file's bytes from its stored object: `stored` is the object's content, `expectedSize` the
// file size its FILEOBJECT gives. Uncompressed content is cut to expectedSize (objects are
// allocated in whole units, so they may hold more). Throws FileObjectError when the content is
// shorter than the file, and for Huffman and LZ1 content: neither codec is described publicly and
// none of the sample databases holds a compressed attachment to work one out from and check it
// against, so the program refuses them rather than write a file that may be wrong.
std::string DecodeFileObject(int compression, std::string_view stored, std::uint64_t expectedSize);

}  // namespace mailshift::nsf
