// The header lines of a MIME entity as Notes gives them, read into fields and parameters.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace mailshift::mail {

struct HeaderLine {
  std::string name;
  std::string value;  // unfolded, without the blanks around it
};

// The fields of a header text, folded lines joined; lines without a colon are left out.
std::vector<HeaderLine> ParseHeaderLines(std::string_view text);

// The value of the first field of that name (letter case ignored), or "".
std::string HeaderValue(const std::vector<HeaderLine>& lines, std::string_view name);

// The value before the first ";", in lower case: "attachment" of "attachment; filename=a.pdf".
std::string MainValue(std::string_view value);

// Whether a field of a message stored as MIME is written with the exported message besides the
// fields the program writes itself: those a mail client uses for replies, lists and threads
// (Reply-To, List-Id, Thread-Index, ...). Never From, To, Date, Subject, Message-ID, MIME-Version,
// Content-* or any other field the program writes; never trace fields.
bool IsKeptRootField(std::string_view name);

// A parameter of a field value ("filename" of "attachment; filename=\"a b.pdf\""), unquoted;
// "" when it is missing. The name ignores letter case.
std::string ParameterValue(std::string_view value, std::string_view name);

}  // namespace mailshift::mail
