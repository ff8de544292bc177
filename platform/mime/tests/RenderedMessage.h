// A rendered message read back for the tests that run on every platform: header fields unfolded,
// the MIME parts split at their boundary and their content decoded. It reads only what the
// composer writes and is no general parser.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace mailshift::platform::testing {

struct RenderedPart {
  std::vector<std::pair<std::string, std::string>> fields;  // name, unfolded value
  std::string content;                                      // as written, transfer-encoded

  // The value of the first field of that name, or "" without one.
  std::string Field(std::string_view name) const;
  bool HasField(std::string_view name) const;
  // The content with its transfer encoding undone.
  std::string Decoded() const;
};

struct RenderedMessage {
  RenderedPart top;                 // the message's own header; content: the whole body
  std::vector<RenderedPart> parts;  // the leaves, body first: the top itself for one part
};

// Reads a message as the composer writes it, followed by the caller's final CR LF.
RenderedMessage ReadRendered(const std::string& text);

std::string DecodeBase64(std::string_view text);
std::string DecodeQuotedPrintable(std::string_view text);

}  // namespace mailshift::platform::testing
