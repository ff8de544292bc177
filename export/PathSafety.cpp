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

bool IsNameCharacter(char c) { return std::string_view(":?\\/*\"<>|").find(c) != std::string_view::npos; }

// C0, DEL and, as UTF-8, C1.
bool HoldsControlCharacter(std::string_view name) {
  for (std::size_t i = 0; i < name.size(); ++i) {
    const auto byte = static_cast<unsigned char>(name[i]);
    if (byte < 0x20 || byte == 0x7F) return true;
    if (byte == 0xC2 && i + 1 < name.size() && static_cast<unsigned char>(name[i + 1]) >= 0x80 &&
        static_cast<unsigned char>(name[i + 1]) <= 0x9F)
      return true;
  }
  return false;
}

std::size_t LengthInUnits(std::string_view name, bool utf16) {
  if (!utf16) return name.size();
  std::size_t units = 0;
  for (std::size_t at = 0; at < name.size();) {
    const std::size_t length = Utf8CharacterLength(name, at);
    units += length == 4 ? 2 : 1;
    at += length;
  }
  return units;
}

}  // namespace

bool IsPlainOutputName(std::string_view name, const FileNameRules& rules) {
  if (name.empty() || name == "." || name == "..") return false;
  if (std::any_of(name.begin(), name.end(), IsNameCharacter) || HoldsControlCharacter(name)) return false;
  if (LengthInUnits(name, rules.lengthInUtf16) > rules.maxLength) return false;
  if (rules.windowsNames) {
    if (IsWindowsDeviceName(name)) return false;
    // Windows drops dots and blanks at the end of a name: "..." would be read as nothing at all.
    if (name.find_first_not_of(". ") == std::string_view::npos) return false;
  }
  return true;
}

std::string OutputFolderName(std::string_view name) {
  // Bytes that are no UTF-8 become U+FFFD, as in the message headers that carry the same text.
  std::string cleaned = ReplaceControlCharacters(ReplaceNameCharacters(Trim(ValidUtf8(name))), "-");
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
