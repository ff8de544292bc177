#include "platform/nsf/RichText.h"

#include <array>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>

#include "platform/nsf/Lmbcs.h"
#include "platform/nsf/RichTextHtml.h"
#include "platform/nsf/RichTextRecords.h"

namespace mailshift::nsf {
namespace {

constexpr std::size_t kMaxTableDepth = 8;
constexpr std::size_t kMaxHotspotDepth = 16;
constexpr std::uint16_t kHotspotFile = 4;
constexpr std::uint16_t kHotspotLink = 11;
constexpr std::uint16_t kPabBullet = 0x0400;
constexpr std::uint16_t kPabNumbered = 0x1000;

// FONTID: face, attributes, colour, point size.
struct Font {
  std::uint8_t face = 1;
  std::uint8_t attributes = 0;
  std::uint8_t color = 0;
  std::uint8_t size = 10;
};
constexpr std::uint8_t kBold = 0x01;
constexpr std::uint8_t kItalic = 0x02;
constexpr std::uint8_t kUnderline = 0x04;
constexpr std::uint8_t kStrikeOut = 0x08;
constexpr std::uint8_t kSuperscript = 0x10;
constexpr std::uint8_t kSubscript = 0x20;
constexpr std::uint8_t kFaceTypewriter = 4;
constexpr std::uint8_t kFaceRoman = 0;

// The sixteen named colours of Notes.
constexpr std::array<const char*, 16> kColors = {
    "#000000", "#ffffff", "#ff0000", "#00ff00", "#0000ff", "#ff00ff", "#ffff00", "#00ffff",
    "#800000", "#008000", "#000080", "#800080", "#808000", "#008080", "#808080", "#c0c0c0"};

struct ParagraphStyle {
  std::uint16_t justify = 0;  // left, right, block, centre, none
  std::uint16_t flags = 0;
};

enum class ListKind { kNone, kBullet, kNumbered };

// Where paragraphs go: the document itself or one cell of a table.
struct Flow {
  std::string html;
  std::string plain;
  ListKind list = ListKind::kNone;
  int listNumber = 0;
  bool paragraphOpen = false;
  bool linkOpen = false;
  ListKind paragraphList = ListKind::kNone;
};

struct Table {
  std::vector<std::vector<Flow>> rows;
};

struct Hotspot {
  std::uint16_t type = 0;
  std::string url;  // a URL link's target, when it is one the HTML may carry
};

struct PendingPicture {
  bool headerSeen = false;
  std::uint16_t width = 0;
  std::uint16_t height = 0;
  std::uint32_t expected = 0;
  std::string bytes;
};

std::optional<std::string> MediaTypeOf(std::string_view bytes) {
  if (bytes.substr(0, 4) == "GIF8") return "image/gif";
  if (bytes.substr(0, 3) == "\xFF\xD8\xFF") return "image/jpeg";
  if (bytes.substr(0, 8) == "\x89PNG\r\n\x1A\n") return "image/png";
  return std::nullopt;
}

// Text up to its first zero byte.
std::string_view ZeroTerminated(std::string_view text) {
  const std::size_t end = text.find('\0');
  return end == std::string_view::npos ? text : text.substr(0, end);
}

// A replica id or universal id as Notes prints it: each double word as 8 hex digits, high first.
std::string HexId(std::string_view body, std::size_t at, int doubleWords) {
  std::string out;
  for (int i = 0; i < doubleWords; i += 2) {
    char part[20];
    std::snprintf(part, sizeof part, "%08X%08X", CdDword(body, at + 4 * (i + 1)), CdDword(body, at + 4 * i));
    out += part;
  }
  return out;
}

class Renderer {
 public:
  RichTextRendering Run(std::string_view records) {
    CdRecordReader reader(records);
    CdRecord record;
    while (!result_.truncated && reader.Next(record)) {
      if (picture_ && record.signature != cd::kImageSegment && record.signature != cd::kImageHeader) {
        FinishPicture();
      }
      Handle(record);
    }
    if (picture_) FinishPicture();
    while (!tables_.empty()) EndTable();
    CloseParagraph(document_);
    CloseList(document_);
    result_.html = std::move(document_.html);
    result_.plainText = std::move(document_.plain);
    return std::move(result_);
  }

 private:
  void Handle(const CdRecord& record) {
    const std::string_view body = record.body;
    switch (record.signature) {
      case cd::kParagraph:
        NewParagraph();
        break;
      case cd::kPabDefinition:
        styles_[CdWord(body, 0)] = ParagraphStyle{CdWord(body, 2), CdWord(body, 58)};
        break;
      case cd::kPabReference:
        style_ = StyleOf(CdWord(body, 0));
        break;
      case cd::kText:
        Text(body);
        break;
      case cd::kTableBegin:
      case cd::kNestedTableBegin:
        BeginTable();
        break;
      case cd::kTableCell:
      case cd::kNestedTableCell:
        BeginCell(CdByte(body, 0));
        break;
      case cd::kTableEnd:
      case cd::kNestedTableEnd:
        if (!tables_.empty() && !tablesIgnored_) {
          EndTable();
        } else if (tablesIgnored_ > 0) {
          --tablesIgnored_;
        }
        break;
      case cd::kHotspotBegin:
      case cd::kV4HotspotBegin:
      case cd::kV5HotspotBegin:
        BeginHotspot(body);
        break;
      case cd::kHotspotEnd:
      case cd::kV4HotspotEnd:
      case cd::kV5HotspotEnd:
        EndHotspot();
        break;
      case cd::kLinkExport2:
        DocumentLink(body.substr(std::min<std::size_t>(40, body.size())), &body);
        break;
      case cd::kLink2:
        DocumentLink(body.substr(std::min<std::size_t>(2, body.size())), nullptr);
        break;
      case cd::kGraphic:
        picture_.emplace();
        break;
      case cd::kImageHeader:
        PictureHeader(body);
        break;
      case cd::kImageSegment:
        PictureSegment(body);
        break;
      default:
        break;  // records that show nothing a mail reader needs
    }
  }

  ParagraphStyle StyleOf(std::uint16_t id) const {
    const auto found = styles_.find(id);
    return found == styles_.end() ? ParagraphStyle{} : found->second;
  }

  Flow& Current() {
    if (tables_.empty()) return document_;
    Table& table = tables_.back();
    if (table.rows.empty()) table.rows.emplace_back();
    if (table.rows.back().empty()) table.rows.back().emplace_back();
    return table.rows.back().back();
  }

  bool InFileHotspot() const {
    for (const Hotspot& hotspot : hotspots_) {
      if (hotspot.type == kHotspotFile) return true;
    }
    return false;
  }

  const Hotspot* Link() const {
    for (auto it = hotspots_.rbegin(); it != hotspots_.rend(); ++it) {
      if (!it->url.empty()) return &*it;
    }
    return nullptr;
  }

  // Counts what the rendering adds; past the limit the rest is left out.
  bool Spend(std::size_t bytes) {
    spent_ += bytes;
    if (spent_ > kRichTextMaxText) result_.truncated = true;
    return !result_.truncated;
  }

  void NewParagraph() {
    Flow& flow = Current();
    if (paragraphPending_ && !flow.paragraphOpen) {
      OpenParagraph(flow);  // an empty paragraph is an empty line
      flow.html += "<br>";
    }
    CloseParagraph(flow);
    paragraphPending_ = true;
  }

  void OpenParagraph(Flow& flow) {
    if (flow.paragraphOpen) return;
    const ListKind kind = (style_.flags & kPabNumbered) != 0 ? ListKind::kNumbered
                          : (style_.flags & kPabBullet) != 0 ? ListKind::kBullet
                                                             : ListKind::kNone;
    if (kind != flow.list) {
      CloseList(flow);
      if (kind == ListKind::kBullet) flow.html += "<ul>";
      if (kind == ListKind::kNumbered) flow.html += "<ol>";
      flow.list = kind;
      flow.listNumber = 0;
    }
    static constexpr std::array<const char*, 4> kAlign = {"", "text-align:right;", "text-align:justify;",
                                                          "text-align:center;"};
    const char* align = style_.justify < kAlign.size() ? kAlign[style_.justify] : "";
    if (kind == ListKind::kNone) {
      flow.html += "<p style=\"margin:0;";
      flow.html += align;
      flow.html += "\">";
    } else {
      flow.html += *align != '\0' ? std::string("<li style=\"") + align + "\">" : std::string("<li>");
      flow.plain += kind == ListKind::kBullet ? "\xE2\x80\xA2 " : std::to_string(++flow.listNumber) + ". ";
    }
    flow.paragraphList = kind;
    flow.paragraphOpen = true;
    paragraphPending_ = false;
  }

  void CloseParagraph(Flow& flow) {
    if (!flow.paragraphOpen) return;
    CloseLink(flow);
    flow.html += flow.paragraphList == ListKind::kNone ? "</p>" : "</li>";
    flow.plain += '\n';
    flow.paragraphOpen = false;
  }

  static void CloseList(Flow& flow) {
    if (flow.list == ListKind::kBullet) flow.html += "</ul>";
    if (flow.list == ListKind::kNumbered) flow.html += "</ol>";
    flow.list = ListKind::kNone;
  }

  static void CloseLink(Flow& flow) {
    if (!flow.linkOpen) return;
    flow.html += "</a>";
    flow.linkOpen = false;
  }

  // Opens the paragraph and the link the next content belongs to.
  Flow& ContentFlow() {
    Flow& flow = Current();
    OpenParagraph(flow);
    const Hotspot* link = Link();
    if (link && !flow.linkOpen) {
      flow.html += "<a href=\"";
      AppendEscapedHtml(flow.html, link->url, false);
      flow.html += "\">";
      flow.linkOpen = true;
    } else if (!link) {
      CloseLink(flow);
    }
    return flow;
  }

  void Text(std::string_view body) {
    if (body.size() < 4 || InFileHotspot()) return;
    const Font font{CdByte(body, 0), CdByte(body, 1), CdByte(body, 2), CdByte(body, 3)};
    const std::string text = LmbcsToUtf8(body.substr(4));
    if (text.empty() || !Spend(text.size() * 2 + 200)) return;
    Flow& flow = ContentFlow();
    const std::string style = StyleText(font);
    if (!style.empty()) flow.html += "<span style=\"" + style + "\">";
    if ((font.attributes & kSuperscript) != 0) flow.html += "<sup>";
    if ((font.attributes & kSubscript) != 0) flow.html += "<sub>";
    AppendEscapedHtml(flow.html, text, true);
    if ((font.attributes & kSubscript) != 0) flow.html += "</sub>";
    if ((font.attributes & kSuperscript) != 0) flow.html += "</sup>";
    if (!style.empty()) flow.html += "</span>";
    flow.plain += text;
    if (Link()) linkText_ += text;
  }

  static std::string StyleText(const Font& font) {
    std::string style;
    if ((font.attributes & kBold) != 0) style += "font-weight:bold;";
    if ((font.attributes & kItalic) != 0) style += "font-style:italic;";
    if ((font.attributes & (kUnderline | kStrikeOut)) != 0) {
      style += "text-decoration:";
      if ((font.attributes & kUnderline) != 0) style += " underline";
      if ((font.attributes & kStrikeOut) != 0) style += " line-through";
      style += ';';
    }
    if (font.size != 0 && font.size != 10) style += "font-size:" + std::to_string(font.size) + "pt;";
    if (font.color != 0 && font.color < kColors.size())
      style += std::string("color:") + kColors[font.color] + ';';
    if (font.face == kFaceTypewriter) style += "font-family:monospace;";
    if (font.face == kFaceRoman) style += "font-family:serif;";
    return style;
  }

  void BeginTable() {
    if (tables_.size() >= kMaxTableDepth) {
      ++tablesIgnored_;
      return;
    }
    Flow& parent = Current();
    CloseParagraph(parent);
    CloseList(parent);
    paragraphPending_ = false;
    tables_.emplace_back();
  }

  void BeginCell(std::uint8_t row) {
    if (tables_.empty() || tablesIgnored_ > 0) return;
    Table& table = tables_.back();
    if (!table.rows.empty() && !table.rows.back().empty()) {
      CloseParagraph(table.rows.back().back());
      CloseList(table.rows.back().back());
    }
    while (table.rows.size() <= row) table.rows.emplace_back();
    // A cell of an earlier row (a table that goes back) is added to the last row.
    auto& cells = table.rows.size() > static_cast<std::size_t>(row) + 1 ? table.rows.back() : table.rows[row];
    cells.emplace_back();
    paragraphPending_ = false;
  }

  void EndTable() {
    {
      Flow& cell = Current();
      CloseParagraph(cell);
      CloseList(cell);
    }
    Table table = std::move(tables_.back());
    tables_.pop_back();
    Flow& parent = Current();
    CloseParagraph(parent);
    CloseList(parent);
    parent.html += "<table border=\"1\" cellspacing=\"0\" cellpadding=\"4\">";
    for (auto& row : table.rows) {
      if (row.empty()) continue;
      parent.html += "<tr>";
      std::string line;
      for (std::size_t i = 0; i < row.size(); ++i) {
        parent.html += "<td>" + row[i].html + "</td>";
        std::string cellText = std::move(row[i].plain);
        while (!cellText.empty() && cellText.back() == '\n') cellText.pop_back();
        for (char& c : cellText) {
          if (c == '\n' || c == '\t') c = ' ';
        }
        if (i > 0) line += '\t';
        line += cellText;
      }
      parent.html += "</tr>";
      parent.plain += line + '\n';
    }
    parent.html += "</table>";
    paragraphPending_ = false;
  }

  void BeginHotspot(std::string_view body) {
    if (hotspots_.size() >= kMaxHotspotDepth) {
      ++hotspotsIgnored_;
      return;
    }
    Hotspot hotspot;
    hotspot.type = CdWord(body, 0);
    if (hotspot.type == kHotspotLink) {
      const std::uint16_t length = CdWord(body, 6);
      const std::string url =
          LmbcsToUtf8(ZeroTerminated(body.substr(std::min<std::size_t>(8, body.size()), length)));
      if (IsSafeLinkTarget(url)) {
        hotspot.url = url;
        linkText_.clear();
      }
    }
    hotspots_.push_back(std::move(hotspot));
  }

  void EndHotspot() {
    if (hotspotsIgnored_ > 0) {
      --hotspotsIgnored_;
      return;
    }
    if (hotspots_.empty()) return;
    const Hotspot ended = std::move(hotspots_.back());
    hotspots_.pop_back();
    if (ended.url.empty()) return;
    Flow& flow = Current();
    CloseLink(flow);
    // The plain text keeps the address of a link whose text does not show it.
    if (linkText_ != ended.url && flow.paragraphOpen && Spend(ended.url.size() + 3)) {
      flow.plain += " <" + ended.url + ">";
    }
  }

  void DocumentLink(std::string_view strings, const std::string_view* exportRecord) {
    if (InFileHotspot()) return;
    std::string text = "[Notes link";
    const std::string comment = LmbcsToUtf8(ZeroTerminated(strings));
    if (!comment.empty()) text += ": " + comment;
    if (exportRecord) {
      text += " <notes:///" + HexId(*exportRecord, 0, 2) + '/' + HexId(*exportRecord, 8, 4) + '/' +
              HexId(*exportRecord, 24, 4) + '>';
    }
    text += ']';
    if (!Spend(text.size() * 2)) return;
    Flow& flow = ContentFlow();
    AppendEscapedHtml(flow.html, text, false);
    flow.plain += text;
  }

  void PictureHeader(std::string_view body) {
    if (!picture_ || picture_->headerSeen) {
      picture_.emplace();
    }
    picture_->headerSeen = true;
    picture_->width = CdWord(body, 2);
    picture_->height = CdWord(body, 4);
    picture_->expected = CdDword(body, 6);
  }

  void PictureSegment(std::string_view body) {
    if (!picture_ || !picture_->headerSeen || body.size() < 4) return;
    const std::size_t valid = std::min<std::size_t>(CdWord(body, 0), body.size() > 4 ? body.size() - 4 : 0);
    const std::size_t room =
        picture_->expected > picture_->bytes.size() ? picture_->expected - picture_->bytes.size() : 0;
    const std::size_t take = std::min(valid, room);
    if (pictureBytes_ + take > kRichTextMaxPictureBytes) {
      result_.truncated = true;
      picture_.reset();
      return;
    }
    pictureBytes_ += take;
    picture_->bytes.append(body.substr(4, take));
  }

  void FinishPicture() {
    PendingPicture picture = std::move(*picture_);
    picture_.reset();
    if (!picture.headerSeen || picture.bytes.empty() || InFileHotspot()) return;
    const std::optional<std::string> mediaType = MediaTypeOf(picture.bytes);
    if (!mediaType) return;
    RichTextPicture out;
    out.contentId = "picture" + std::to_string(result_.pictures.size() + 1) + "@rich-text";
    out.mediaType = *mediaType;
    out.bytes = std::move(picture.bytes);
    if (!Spend(200)) return;
    Flow& flow = ContentFlow();
    flow.html += "<img src=\"cid:" + out.contentId + "\"";
    if (picture.width > 0 && picture.height > 0) {
      flow.html += " width=\"" + std::to_string(picture.width) + "\" height=\"" +
                   std::to_string(picture.height) + "\"";
    }
    flow.html += " alt=\"\">";
    result_.pictures.push_back(std::move(out));
  }

  RichTextRendering result_;
  Flow document_;
  std::vector<Table> tables_;
  std::size_t tablesIgnored_ = 0;
  std::vector<Hotspot> hotspots_;
  std::size_t hotspotsIgnored_ = 0;
  std::map<std::uint16_t, ParagraphStyle> styles_;
  ParagraphStyle style_;
  bool paragraphPending_ = false;
  std::optional<PendingPicture> picture_;
  std::size_t pictureBytes_ = 0;
  std::size_t spent_ = 0;
  std::string linkText_;
};

}  // namespace

RichTextRendering RenderRichText(std::string_view cdRecords) { return Renderer().Run(cdRecords); }

}  // namespace mailshift::nsf
