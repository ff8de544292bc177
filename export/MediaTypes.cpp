#include "export/MediaTypes.h"

#include <array>
#include <fstream>

#include "common/Utf8.h"
#include "export/SafeFiles.h"

namespace mailshift::mail {
namespace {

// Enough of a text to tell UTF-8 from other bytes, and of any file to see its signature.
constexpr std::size_t kBytesLookedAt = 4096;

struct Signature {
  std::string_view bytes;
  std::string_view mediaType;
};

constexpr std::array<Signature, 6> kSignatures{{
    {"\x89PNG\r\n\x1A\n", "image/png"},
    {"\xFF\xD8\xFF", "image/jpeg"},
    {"GIF87a", "image/gif"},
    {"GIF89a", "image/gif"},
    {"%PDF-", "application/pdf"},
    {"BM", "image/bmp"},
}};

struct Extension {
  std::string_view extension;
  std::string_view mediaType;
};

constexpr std::array<Extension, 26> kExtensions{{
    {"pdf", "application/pdf"},
    {"png", "image/png"},
    {"jpg", "image/jpeg"},
    {"jpeg", "image/jpeg"},
    {"gif", "image/gif"},
    {"bmp", "image/bmp"},
    {"tif", "image/tiff"},
    {"tiff", "image/tiff"},
    {"txt", "text/plain"},
    {"csv", "text/csv"},
    {"htm", "text/html"},
    {"html", "text/html"},
    {"xml", "application/xml"},
    {"ics", "text/calendar"},
    {"zip", "application/zip"},
    {"doc", "application/msword"},
    {"xls", "application/vnd.ms-excel"},
    {"ppt", "application/vnd.ms-powerpoint"},
    {"docx", "application/vnd.openxmlformats-officedocument.wordprocessingml.document"},
    {"xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet"},
    {"pptx", "application/vnd.openxmlformats-officedocument.presentationml.presentation"},
    {"rtf", "application/rtf"},
    {"json", "application/json"},
    {"mp3", "audio/mpeg"},
    {"mp4", "video/mp4"},
    {"odt", "application/vnd.oasis.opendocument.text"},
}};

std::string LowerExtension(std::string_view fileName) {
  const auto dot = fileName.rfind('.');
  if (dot == std::string_view::npos || dot + 1 == fileName.size()) return {};
  std::string extension(fileName.substr(dot + 1));
  for (char& c : extension)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  return extension;
}

// UTF-8 up to the end of what was looked at (a character cut there counts as whole), no NUL.
bool IsUtf8Text(std::string_view bytes) {
  if (bytes.find('\0') != std::string_view::npos) return false;
  const std::size_t end = ValidUtf8End(bytes);
  return end == bytes.size() || (bytes.size() >= kBytesLookedAt && bytes.size() - end < 4);
}

}  // namespace

FileType FileTypeOf(std::string_view firstBytes, std::string_view fileName) {
  for (const Signature& signature : kSignatures) {
    if (signature.mediaType == "image/bmp" && LowerExtension(fileName) != "bmp")
      continue;  // "BM" alone says little
    if (firstBytes.starts_with(signature.bytes)) return {std::string(signature.mediaType), {}};
  }
  const std::string extension = LowerExtension(fileName);
  for (const Extension& known : kExtensions) {
    if (known.extension != extension) continue;
    FileType type{std::string(known.mediaType), {}};
    if (type.mediaType.starts_with("text/") && IsUtf8Text(firstBytes))
      type.parameters.emplace_back("charset", "utf-8");
    return type;
  }
  return {"application/octet-stream", {}};
}

FileType FileTypeOfFile(const std::string& path, std::string_view fileName) {
  std::string bytes(kBytesLookedAt, '\0');
  std::ifstream file(FilePath(path), std::ios::binary);
  if (file) {
    file.read(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    bytes.resize(static_cast<std::size_t>(file.gcount()));
  } else {
    bytes.clear();
  }
  return FileTypeOf(bytes, fileName);
}

}  // namespace mailshift::mail
