// Rich text as Notes stores it (the CD records of a COMPOSITE item) rendered as plain text and as
// an HTML fragment with its pictures, as a mail client shows it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace mailshift::nsf {

// A picture of the rich text (a GIF, JPEG or PNG of its image records), referenced from the HTML
// as "cid:" followed by its content id.
struct RichTextPicture {
  std::string contentId;  // without angle brackets, unique within one rendering
  std::string mediaType;  // "image/gif", "image/jpeg" or "image/png"
  std::string bytes;
};

struct RichTextRendering {
  std::string plainText;  // paragraphs as lines, table rows as lines of tab-separated cells
  std::string html;       // a complete fragment: every tag closed, all text escaped, no scripts
  std::vector<RichTextPicture> pictures;
  bool truncated = false;  // the records asked for more than the limits below, and the rest was left
};

// The most text, HTML and picture bytes one rendering makes, whatever the records claim.
inline constexpr std::size_t kRichTextMaxText = 16u << 20;
inline constexpr std::size_t kRichTextMaxPictureBytes = 64u << 20;

// Renders the CD records of a rich-text item (the values of one or more items of the same name,
// concatenated in order, each without its type word). Text, its fonts (bold, italic, underline,
// strike-through, size, colour, fixed pitch), paragraphs and their alignment, bulleted and
// numbered lists, tables, URL links, document links (as their text) and GIF, JPEG and PNG pictures
// are rendered; every other record is skipped by its length. A record whose length does not fit
// ends the rendering there, keeping what came before.
RichTextRendering RenderRichText(std::string_view cdRecords);

}  // namespace mailshift::nsf
