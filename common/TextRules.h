// The shared text rules: trimming, ordinal comparison and name cleaning.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mailshift {

// Removes leading and trailing space characters (U+0020) only; tabs and line breaks stay.
std::string Trim(std::string_view text);

// Ordinal comparison of UTF-8 texts by their UTF-16 code units: <0, 0 or >0.
int CompareOrdinal(std::string_view a, std::string_view b);

// True for the nine characters that file and folder names cannot hold: : ? \ / * " < > |
bool IsNameCharacter(char c);

// A message file name's subject part: the nine characters removed, nothing else changed.
std::string RemoveNameCharacters(std::string_view subject);

// An output folder name: each of the nine characters replaced by "-".
std::string ReplaceNameCharacters(std::string_view folderName);

// The text with every control character (U+0000 to U+001F but the tab, U+007F, U+0080 to
// U+009F) replaced by `replacement`, and with every byte that is not part of a UTF-8 character
// replaced too when `replaceInvalid`: text from a database that is shown on a terminal or
// written as one line of a file can then neither break the line nor steer the terminal.
std::string ReplaceControlCharacters(std::string_view text, std::string_view replacement,
                                     bool replaceInvalid = false);

// Splits text at every occurrence of separator; empty pieces are kept.
std::vector<std::string> Split(std::string_view text, char separator);

// Joins texts with separator between them.
std::string Join(const std::vector<std::string>& texts, std::string_view separator);

}  // namespace mailshift
