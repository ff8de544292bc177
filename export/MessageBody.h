// A message body read from a MIME item, as parts: text and HTML alternatives, the pictures the
// HTML shows, each part's content waiting in a file.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace mailshift::mail {

struct BodyPart {
  std::string mediaType;               // lower case "type/subtype": "multipart/alternative", "text/html", ...
  std::string charset;                 // of a text part; empty when it names none
  std::string contentId;               // without its angle brackets; empty for none
  std::string fileName;                // the name an inline part carries; empty for none
  std::string contentFile;             // the decoded content of a part that is not multipart, in a file
  std::optional<std::string> content;  // or, for a small part, held here instead
  std::vector<BodyPart> parts;         // the parts of a multipart part

  bool IsMultipart() const { return mediaType.starts_with("multipart/"); }
};

}  // namespace mailshift::mail
