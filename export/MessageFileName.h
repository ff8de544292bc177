// The name of a message file: the subject, the file number and ".eml", in a form the file
// system takes.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace mailshift::mail {

// What a file system accepts in a file name.
struct FileNameRules {
  std::size_t maxLength = 255;  // the longest name
  bool lengthInUtf16 = false;   // length counted in UTF-16 code units instead of UTF-8 bytes
  bool windowsNames = false;    // device names (CON, COM1, LPT1, ...) refused
  // The rules of the system the program runs on.
  static FileNameRules Native();
};

// subject + tail (e.g. "Re Q1Q2 report" + "123.eml"). The subject loses its control characters
// (C1 as well), bytes that are no UTF-8 character and the marks that turn text direction around,
// and is shortened at a character boundary until the name fits; the tail stays whole. A name the
// rules refuse as a device name gets "_" after the subject.
std::string MessageFileName(std::string_view subject, std::string_view tail, const FileNameRules& rules);

// CON, PRN, AUX, NUL, COM1..COM9, LPT1..LPT9 (also with a superscript digit), with or without an
// extension: names Windows takes for devices.
bool IsWindowsDeviceName(std::string_view name);

// Only the printable ASCII characters of the text: the subject part for a file system that
// refuses the characters of a name.
std::string PrintableAsciiOnly(std::string_view text);

// The text cut at a character boundary to at most maxBytes bytes.
std::string CutAtCharacter(std::string_view text, std::size_t maxBytes);

}  // namespace mailshift::mail
