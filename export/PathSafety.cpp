#include "export/PathSafety.h"

#include <algorithm>

#include "common/TextRules.h"
#include "common/Utf8.h"

namespace mailshift::mail {
namespace {

constexpr std::size_t kLongestFileName = 255;  // bytes of one name, as most file systems allow
constexpr std::size_t kLongestKeptExtension = 32;

// The names that mean "this folder" and "the folder above" stay visible but harmless.
std::string NotEmptyNorDots(std::string name) {
  if (name.empty()) return "_";
  if (name == "." || name == "..") return std::string(name.size(), '_');
  return name;
}

std::string ShortenKeepingExtension(const std::string& name) {
  if (name.size() <= kLongestFileName) return name;
  const auto dot = name.rfind('.');
  std::string_view extension;
  if (dot != std::string::npos && dot > 0 && name.size() - dot <= kLongestKeptExtension) {
    extension = std::string_view(name).substr(dot);
  }
  const std::string_view stem = std::string_view(name).substr(0, name.size() - extension.size());
  return std::string(CutUtf8(stem, kLongestFileName - extension.size())) + std::string(extension);
}

}  // namespace

std::string OutputFolderName(std::string_view name) {
  std::string cleaned = ReplaceControlCharacters(ReplaceNameCharacters(Trim(name)), "-");
  std::replace(cleaned.begin(), cleaned.end(), '\t', '-');
  return NotEmptyNorDots(std::string(CutUtf8(cleaned, kLongestFileName)));
}

std::string AttachmentFileName(std::string_view name) {
  const auto lastSeparator = name.find_last_of("/\\");
  if (lastSeparator != std::string_view::npos) name.remove_prefix(lastSeparator + 1);
  std::string cleaned = ReplaceControlCharacters(RemoveNameCharacters(name), "");
  std::erase(cleaned, '\t');
  return NotEmptyNorDots(ShortenKeepingExtension(cleaned));
}

}  // namespace mailshift::mail
