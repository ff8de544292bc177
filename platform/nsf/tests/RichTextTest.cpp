#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <utility>

#include "common/Utf8.h"
#include "platform/nsf/RichText.h"

namespace mailshift::nsf {
namespace {

using namespace std::string_literals;

// CD records as Notes writes them: signature, length form, little-endian fields, even offsets.
std::string Word(std::uint32_t v) { return {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8 & 0xFF)}; }
std::string Dword(std::uint32_t v) { return Word(v & 0xFFFF) + Word(v >> 16); }

std::string Byte(unsigned char signature, const std::string& body) {
  std::string r{static_cast<char>(signature), static_cast<char>(body.size() + 2)};
  r += body;
  if (r.size() % 2) r += '\0';
  return r;
}
std::string Wsig(unsigned char signature, const std::string& body) {
  std::string r{static_cast<char>(signature), '\xFF'};
  r += Word(static_cast<std::uint32_t>(body.size() + 4)) + body;
  if (r.size() % 2) r += '\0';
  return r;
}
std::string Lsig(unsigned char signature, const std::string& body) {
  std::string r{static_cast<char>(signature), '\0'};
  r += Dword(static_cast<std::uint32_t>(body.size() + 6)) + body;
  if (r.size() % 2) r += '\0';
  return r;
}

std::string Paragraph() { return Byte(0x81, ""); }
std::string PabReference(int id) { return Byte(0x83, Word(id)); }
std::string PabDefinition(int id, int justify, int flags) {
  std::string body = Word(id) + Word(justify) + std::string(54, '\0') + Word(flags) + std::string(6, '\0');
  return Wsig(0x82, body);
}
std::string Text(const std::string& lmbcs, unsigned char attributes = 0, unsigned char color = 0,
                 unsigned char size = 10, unsigned char face = 1) {
  return Wsig(0x85, std::string{static_cast<char>(face), static_cast<char>(attributes),
                                static_cast<char>(color), static_cast<char>(size)} +
                        lmbcs);
}
std::string TableBegin() { return Byte(0xA3, std::string(30, '\0')); }
std::string TableCell(int row, int column) {
  return Byte(0xA4, std::string{static_cast<char>(row), static_cast<char>(column)} + std::string(14, '\0'));
}
std::string TableEnd() { return Byte(0xA5, std::string(4, '\0')); }
std::string Hotspot(int type, const std::string& data) {
  return Wsig(0xAD, Word(type) + Dword(0x1000) + Word(static_cast<std::uint32_t>(data.size())) + data);
}
std::string HotspotEnd() { return Byte(0xAE, ""); }
std::string Picture(int type, int width, int height, const std::string& bytes, std::size_t segment) {
  std::string r = Lsig(0x99, std::string(22, '\0'));
  std::uint32_t segments = static_cast<std::uint32_t>((bytes.size() + segment - 1) / segment);
  r += Lsig(0x7D, Word(type) + Word(width) + Word(height) + Dword(static_cast<std::uint32_t>(bytes.size())) +
                      Dword(segments) + Dword(0) + Dword(0));
  for (std::size_t at = 0; at < bytes.size(); at += segment) {
    std::string part = bytes.substr(at, segment);
    const auto valid = static_cast<std::uint32_t>(part.size());
    if (part.size() % 2) part += '\0';  // segments are padded to even sizes
    r += Lsig(0x7C, Word(valid) + Word(static_cast<std::uint32_t>(part.size())) + part);
  }
  return r;
}

const std::string kGif =
    "GIF89a\x02\x00\x02\x00\x80\x00\x00\xFF\xFF\xFF\x00\x00\x00,\x00\x00\x00\x00\x02\x00\x02\x00\x00\x02\x02\x84\x51\x00;"s;

struct RichTextCase {
  const char* what;
  std::string records;
  std::string plain;
  std::string html;
};

const std::string P = "<p style=\"margin:0;\">";

const RichTextCase kCases[] = {
    {"paragraphs are lines", Paragraph() + Text("Hello") + Paragraph() + Text("World"), "Hello\nWorld\n",
     P + "Hello</p>" + P + "World</p>"},
    {"text runs join within a paragraph; an empty paragraph is an empty line",
     Paragraph() + Text("One, ") + Text("two") + Paragraph() + Paragraph() + Text("three"),
     "One, two\n\nthree\n", P + "One, two</p>" + P + "<br></p>" + P + "three</p>"},
    {"a zero byte in text is a line break", Paragraph() + Text("line 1\0line 2"s), "line 1\nline 2\n",
     P + "line 1<br>line 2</p>"},
    {"LMBCS text becomes UTF-8", Paragraph() + Text("\x13\xC7\xEB caf\x82"), "\xE8\xAF\xB7 caf\xC3\xA9\n",
     P + "\xE8\xAF\xB7 caf\xC3\xA9</p>"},
    {"fonts: bold, italic, underline, size, colour, fixed pitch",
     Paragraph() + Text("b", 0x01) + Text("i", 0x02) + Text("u", 0x04) + Text("big", 0, 0, 18) +
         Text("red", 0, 2) + Text("code", 0, 0, 10, 4) + Text("all", 0x0F, 10, 12),
     "biubigredcodeall\n",
     P + "<span style=\"font-weight:bold;\">b</span><span style=\"font-style:italic;\">i</span>"
         "<span style=\"text-decoration: underline;\">u</span><span style=\"font-size:18pt;\">big</span>"
         "<span style=\"color:#ff0000;\">red</span><span style=\"font-family:monospace;\">code</span>"
         "<span style=\"font-weight:bold;font-style:italic;text-decoration: underline line-through;"
         "font-size:12pt;color:#000080;\">all</span></p>"},
    {"text is escaped", Paragraph() + Text("<script>alert('x')</script> & \"q\""),
     "<script>alert('x')</script> & \"q\"\n",
     P + "&lt;script&gt;alert(&#39;x&#39;)&lt;/script&gt; &amp; &quot;q&quot;</p>"},
    {"alignment and lists from paragraph definitions",
     PabDefinition(1, 3, 0) + PabDefinition(2, 0, 0x0400) + PabDefinition(3, 0, 0x1000) + Paragraph() +
         PabReference(1) + Text("Title") + Paragraph() + PabReference(2) + Text("apple") + Paragraph() +
         PabReference(2) + Text("pear") + Paragraph() + PabReference(3) + Text("first") + Paragraph() +
         PabReference(3) + Text("second"),
     "Title\n\xE2\x80\xA2 apple\n\xE2\x80\xA2 pear\n1. first\n2. second\n",
     "<p style=\"margin:0;text-align:center;\">Title</p><ul><li>apple</li><li>pear</li></ul>"
     "<ol><li>first</li><li>second</li></ol>"},
    {"tables: rows as lines, cells by tabs",
     Paragraph() + Text("Before") + TableBegin() + TableCell(0, 0) + Paragraph() + Text("a") +
         TableCell(0, 1) + Paragraph() + Text("b") + Paragraph() + Text("b2") + TableCell(1, 0) +
         Paragraph() + Text("c") + TableCell(1, 1) + Paragraph() + Text("d") + TableEnd() + Paragraph() +
         Text("After"),
     "Before\na\tb b2\nc\td\nAfter\n",
     P + "Before</p><table border=\"1\" cellspacing=\"0\" cellpadding=\"4\"><tr><td>" + P + "a</p></td><td>" +
         P + "b</p>" + P + "b2</p></td></tr><tr><td>" + P + "c</p></td><td>" + P + "d</p></td></tr></table>" +
         P + "After</p>"},
    {"a table inside a cell",
     TableBegin() + TableCell(0, 0) + Paragraph() + Text("outer") + Byte(0xCF, std::string(30, '\0')) +
         Byte(0xD0, std::string(16, '\0')) + Paragraph() + Text("inner") + Byte(0xD1, std::string(4, '\0')) +
         TableEnd(),
     "outer inner\n",
     "<table border=\"1\" cellspacing=\"0\" cellpadding=\"4\"><tr><td>" + P +
         "outer</p><table border=\"1\" cellspacing=\"0\" cellpadding=\"4\"><tr><td>" + P +
         "inner</p></td></tr></table></td></tr></table>"},
    {"URL link",
     Paragraph() + Text("See ") + Hotspot(11, "https://example.com/?a=1&b=2"s + '\0') + Text("the site") +
         HotspotEnd() + Text("."),
     "See the site <https://example.com/?a=1&b=2>.\n",
     P + "See <a href=\"https://example.com/?a=1&amp;b=2\">the site</a>.</p>"},
    {"a link whose text is its address is not repeated",
     Paragraph() + Hotspot(11, "http://x.org/") + Text("http://x.org/") + HotspotEnd(), "http://x.org/\n",
     P + "<a href=\"http://x.org/\">http://x.org/</a></p>"},
    {"a script address is no link",
     Paragraph() + Hotspot(11, "javascript:alert(1)") + Text("x") + HotspotEnd(), "x\n", P + "x</p>"},
    {"a link attribute cannot be broken out of",
     Paragraph() + Hotspot(11, "http://a/\"><script>") + Text("x") + HotspotEnd(),
     "x <http://a/\"><script>>\n", P + "<a href=\"http://a/&quot;&gt;&lt;script&gt;\">x</a></p>"},
    {"an attached file's icon and caption are left out",
     Paragraph() + Text("See ") + Hotspot(4, "ATT1\0report.pdf\0"s) + Picture(1, 32, 32, kGif, 100) +
         Text("report.pdf") + HotspotEnd(),
     "See \n", P + "See </p>"},
    {"document link as its text",
     Paragraph() +
         Wsig(0x92, Dword(0x11) + Dword(0x22) + std::string(32, '\x01') + "Mail - Inbox\0server\0"s),
     "[Notes link: Mail - Inbox <notes:///0000002200000011/01010101010101010101010101010101/"
     "01010101010101010101010101010101>]\n",
     P + "[Notes link: Mail - Inbox &lt;notes:///0000002200000011/01010101010101010101010101010101/"
         "01010101010101010101010101010101&gt;]</p>"},
    {"unknown records are skipped by their length",
     Paragraph() + Wsig(0x55, std::string(300, 'x')) + Lsig(0x60, std::string(10, 'y')) + Byte(0xDD, "zz") +
         Text("kept"),
     "kept\n", P + "kept</p>"},
};

class RichTextCases : public testing::TestWithParam<RichTextCase> {};

TEST_P(RichTextCases, RendersTextAndHtml) {
  const RichTextCase& c = GetParam();
  const RichTextRendering r = RenderRichText(c.records);
  EXPECT_EQ(r.plainText, c.plain) << c.what;
  EXPECT_EQ(r.html, c.html) << c.what;
  EXPECT_FALSE(r.truncated) << c.what;
}

INSTANTIATE_TEST_SUITE_P(Records, RichTextCases, testing::ValuesIn(kCases));

TEST(RichTextPictures, ImageSegmentsJoinIntoPicturesReferencedByContentId) {
  const std::string jpeg = "\xFF\xD8\xFF\xE0" + std::string(500, 'j') + "\xFF\xD9";
  const std::string png = "\x89PNG\r\n\x1A\n" + std::string(33, 'p');
  const RichTextRendering r = RenderRichText(
      Paragraph() + Text("A") + Picture(1, 2, 2, kGif, 7) + Paragraph() + Picture(2, 0, 0, jpeg, 100) +
      Picture(4, 5, 6, png, 1000) + Picture(1, 1, 1, "not a picture", 100));
  ASSERT_EQ(r.pictures.size(), 3u);
  EXPECT_EQ(r.pictures[0].mediaType, "image/gif");
  EXPECT_EQ(r.pictures[0].bytes, kGif);
  EXPECT_EQ(r.pictures[1].mediaType, "image/jpeg");
  EXPECT_EQ(r.pictures[1].bytes, jpeg);
  EXPECT_EQ(r.pictures[2].mediaType, "image/png");
  EXPECT_EQ(r.pictures[2].bytes, png);
  EXPECT_EQ(r.html, P + "A<img src=\"cid:picture1@rich-text\" width=\"2\" height=\"2\" alt=\"\"></p>" + P +
                        "<img src=\"cid:picture2@rich-text\" alt=\"\"><img src=\"cid:picture3@rich-text\" "
                        "width=\"5\" height=\"6\" alt=\"\"></p>");
  EXPECT_EQ(r.plainText, "A\n\n");
}

TEST(RichTextPictures, APictureNeverTakesMoreThanItsHeaderAnnounces) {
  // A header announcing less than the segments hold: the picture is cut, so its end is gone.
  const std::string records =
      Lsig(0x99, std::string(22, '\0')) +
      Lsig(0x7D, Word(1) + Word(1) + Word(1) + Dword(6) + Dword(1) + Dword(0) + Dword(0)) +
      Lsig(0x7C, Word(static_cast<std::uint32_t>(kGif.size())) +
                     Word(static_cast<std::uint32_t>(kGif.size())) + kGif + (kGif.size() % 2 ? "\0"s : ""s));
  const RichTextRendering r = RenderRichText(records);
  ASSERT_EQ(r.pictures.size(), 1u);
  EXPECT_EQ(r.pictures[0].bytes, "GIF89a");
}

// Hostile records: each keeps what came before it and never reads past the end.
TEST(RichTextHostile, BrokenRecordsKeepWhatCameBefore) {
  const std::string good = Paragraph() + Text("kept");
  const std::string cases[] = {
      good +
          "\x85\xFF\xFF\x7F"
          "abc"s,  // a word length past the end
      good +
          "\x99\x00\xFF\xFF\xFF\xFF"
          "abcd"s,                      // a double-word length of 4 GiB
      good + "\x85\xFF\x02\x00"s,       // a length shorter than its header
      good + "\x81\x01"s,               // a byte length shorter than its header
      good + "\x85"s,                   // a cut header
      good + Text("cut").substr(0, 7),  // a cut record
      good + Lsig(0x99, "") + Lsig(0x7D, Word(1) + Word(1) + Word(1) + Dword(9)) +
          Lsig(0x7C, "ab"),  // a short segment
  };
  for (const std::string& records : cases) {
    const RichTextRendering r = RenderRichText(records);
    EXPECT_EQ(r.plainText, "kept\n");
    EXPECT_EQ(r.html, P + "kept</p>");
  }
}

TEST(RichTextHostile, DeepNestingStaysBoundedAndWellFormed) {
  std::string records;
  for (int i = 0; i < 200; ++i)
    records += TableBegin() + TableCell(0, 0) + Hotspot(11, "http://a/") + Paragraph();
  records += Text("deep");
  for (int i = 0; i < 200; ++i) records += HotspotEnd() + TableEnd();
  const RichTextRendering r = RenderRichText(records);
  EXPECT_NE(r.plainText.find("deep"), std::string::npos);
  std::size_t opened = 0;
  std::size_t closed = 0;
  for (std::size_t at = r.html.find("<table"); at != std::string::npos; at = r.html.find("<table", at + 1))
    ++opened;
  for (std::size_t at = r.html.find("</table>"); at != std::string::npos;
       at = r.html.find("</table>", at + 1)) {
    ++closed;
  }
  EXPECT_EQ(opened, closed);
  EXPECT_LE(opened, 8u);
}

TEST(RichTextHostile, OutputStaysWithinItsLimit) {
  // Many records of the largest text: the rendering stops at its limit and says so.
  const std::string run = Paragraph() + Text(std::string(65000, 'x'));
  std::string records;
  while (records.size() < kRichTextMaxText) records += run;
  const RichTextRendering r = RenderRichText(records);
  EXPECT_TRUE(r.truncated);
  EXPECT_LE(r.plainText.size() + r.html.size(), kRichTextMaxText + 200000);
}

TEST(RichTextHostile, RandomRecordsGiveValidUtf8AndNoScript) {
  std::mt19937 random(28);
  const std::string pieces[] = {Paragraph(),
                                Text("a<b"),
                                Text("\x13\xC7"),
                                TableBegin(),
                                TableCell(3, 1),
                                TableEnd(),
                                HotspotEnd(),
                                Hotspot(11, "http://q/"),
                                PabDefinition(1, 9, 0xFFFF),
                                PabReference(1),
                                Picture(1, 1, 1, kGif, 5),
                                Byte(0xCF, ""),
                                Byte(0xD1, "")};
  for (int round = 0; round < 500; ++round) {
    std::string records;
    const int count = static_cast<int>(random() % 40);
    for (int i = 0; i < count; ++i) {
      std::string piece = pieces[random() % std::size(pieces)];
      if (random() % 8 == 0) piece[random() % piece.size()] = static_cast<char>(random());
      records += piece;
    }
    const RichTextRendering r = RenderRichText(records);
    ASSERT_TRUE(IsValidUtf8(r.html)) << round;
    ASSERT_TRUE(IsValidUtf8(r.plainText)) << round;
    ASSERT_EQ(r.html.find("<script"), std::string::npos) << round;
  }
}

}  // namespace
}  // namespace mailshift::nsf

namespace mailshift::nsf {
namespace {

std::string ReadTestData(const std::string& name) {
  std::ifstream in("nsf-data/" + name, std::ios::binary);
  EXPECT_TRUE(in) << "nsf-data/" << name;
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// A GIF's own size, from its logical screen descriptor.
std::pair<int, int> GifSize(const std::string& gif) {
  const auto byte = [&](std::size_t at) { return static_cast<unsigned char>(gif.at(at)); };
  return {byte(6) | byte(7) << 8, byte(8) | byte(9) << 8};
}

// Records copied from sample.nsf (tests/data, Apache License 2.0, see LICENSE and NOTICE there):
// sample-form-body.cd is bytes 0xBCB72-0xBD285, the rich text of a form with Chinese text and an
// inline picture; sample-image-resource.cd is bytes 0xB6044-0xB6593, an image resource.
TEST(RichTextSamples, FormWithChineseTextAndAPicture) {
  const RichTextRendering r = RenderRichText(ReadTestData("sample-form-body.cd"));
  EXPECT_FALSE(r.truncated);
  // "Please fill in the following truthfully:" and "Date:".
  EXPECT_NE(
      r.plainText.find("\xE8\xAF\xB7\xE5\xA6\x82\xE5\xAE\x9E\xE5\xA1\xAB\xE5\x86\x99\xE4\xB8\x8B\xE5\x88\x97"
                       "\xE5\x90\x84\xE9\xA1\xB9\xEF\xBC\x9A"),
      std::string::npos)
      << r.plainText;
  EXPECT_NE(r.plainText.find("\xE6\x97\xA5\xE6\x9C\x9F\xEF\xBC\x9A"), std::string::npos) << r.plainText;
  ASSERT_EQ(r.pictures.size(), 1u);
  const RichTextPicture& picture = r.pictures[0];
  EXPECT_EQ(picture.mediaType, "image/gif");
  ASSERT_EQ(picture.bytes.size(), 1214u);                     // the image header's data size
  EXPECT_EQ(GifSize(picture.bytes), std::make_pair(29, 28));  // the image header's width and height
  EXPECT_EQ(picture.bytes.back(), ';');                       // the GIF trailer
  EXPECT_NE(r.html.find("<img src=\"cid:" + picture.contentId + "\" width=\"29\" height=\"28\""),
            std::string::npos)
      << r.html;
  EXPECT_TRUE(IsValidUtf8(r.html));
}

TEST(RichTextSamples, ImageResource) {
  const RichTextRendering r = RenderRichText(ReadTestData("sample-image-resource.cd"));
  ASSERT_EQ(r.pictures.size(), 1u);
  EXPECT_EQ(r.pictures[0].bytes.size(), 1294u);
  EXPECT_EQ(GifSize(r.pictures[0].bytes), std::make_pair(29, 29));
  EXPECT_EQ(r.pictures[0].bytes.back(), ';');
  EXPECT_EQ(r.plainText, "\n");
}

}  // namespace
}  // namespace mailshift::nsf
