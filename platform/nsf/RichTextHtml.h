// The pieces of HTML the rich-text rendering writes: escaped text and link targets it accepts.
#pragma once

#include <string>
#include <string_view>

namespace mailshift::nsf {

// Appends text with &, <, >, " and ' escaped; with breakLines, each line feed as <br>.
void AppendEscapedHtml(std::string& out, std::string_view text, bool breakLines);

// A link target the HTML may carry: an http, https, ftp, mailto or notes address without spaces
// or control characters. Anything else (javascript:, data:, relative paths) is not a link.
bool IsSafeLinkTarget(std::string_view url);

}  // namespace mailshift::nsf
