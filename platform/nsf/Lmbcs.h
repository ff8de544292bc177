// Text as Notes stores it (LMBCS, the Lotus Multi-Byte Character Set) turned into UTF-8.
#pragma once

#include <string>
#include <string_view>

namespace mailshift::nsf {

// Decodes LMBCS text to UTF-8. ASCII stays as it is; a byte from 0x80 stands for the Latin page
// (group 0x01, code page 850), as Notes always writes it; a group byte 0x01-0x13 names the page
// of the one character after it (Latin-1, Greek, Hebrew, Arabic, Cyrillic, Latin-2, Turkish,
// Thai, and the double-byte Japanese, Korean, traditional and simplified Chinese pages), and 0x14
// a UTF-16 unit. A character the page does not map, an unknown group or a cut sequence becomes
// U+FFFD; the decoding never reads past the end. A zero byte is a line break, as Notes
// writes one in text items and rich text; a caller with zero-terminated text cuts it first.
std::string LmbcsToUtf8(std::string_view lmbcs);

}  // namespace mailshift::nsf
