#include <gmime/gmime.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

#include "common/Utf8.h"
#include "platform/mime/HeaderFields.h"
#include "platform/mime/tests/GMimeReading.h"

namespace mailshift::platform {
namespace {

std::vector<std::string> Lines(const std::string& value) {
  std::vector<std::string> lines;
  std::istringstream stream(value);
  for (std::string line; std::getline(stream, line);) lines.push_back(line);
  return lines;
}

std::string Unfolded(const std::string& value) {
  std::string text = value;
  text.erase(std::remove(text.begin(), text.end(), '\n'), text.end());
  return text;
}

bool IsSevenBitPrintable(const std::string& value) {
  return std::all_of(value.begin(), value.end(),
                     [](char c) { return (c >= 0x20 && c <= 0x7E) || c == '\n'; });
}

// Every line, the field name included on the first, within the preferred 78 characters.
void ExpectFoldedWithin78(const std::string& fieldName, const std::string& value) {
  const auto lines = Lines(value);
  ASSERT_FALSE(lines.empty());
  EXPECT_LE(fieldName.size() + 1 + lines[0].size(), 78u) << lines[0];
  for (std::size_t i = 1; i < lines.size(); ++i) {
    EXPECT_LE(lines[i].size(), 78u) << lines[i];
    EXPECT_EQ(lines[i].front(), ' ') << "a folded line begins with a blank";
  }
}

// GMime's reading of encoded words, which follows RFC 2047 on the blanks between them.
std::string DecodedText(const std::string& value) {
  EnsureGMimeInitialised();
  const std::string unfolded = Unfolded(value);
  GCharPtr decoded(g_mime_utils_header_decode_text(nullptr, unfolded.c_str() + 1));
  return decoded.get();
}

class HeaderFieldsTest : public ::testing::Test {
 protected:
  void SetUp() override { EnsureGMimeInitialised(); }
};

TEST_F(HeaderFieldsTest, PlainSubjectsStayReadable) {
  EXPECT_EQ(UnstructuredFieldValue("Subject", "Re: Q1/Q2 report?"), " Re: Q1/Q2 report?\n");
  EXPECT_EQ(UnstructuredFieldValue("Subject", "two  spaces"), " two  spaces\n");
}

TEST_F(HeaderFieldsTest, FoldsLongPlainSubjectsBeforeBlanksOnly) {
  std::string subject;
  for (int i = 0; i < 30; ++i) subject += "word" + std::to_string(i) + (i % 3 == 0 ? "  " : " ");
  subject += "end";
  const std::string value = UnstructuredFieldValue("Subject", subject);
  ExpectFoldedWithin78("Subject", value);
  EXPECT_GT(Lines(value).size(), 1u);
  EXPECT_EQ(Unfolded(value), " " + subject);
}

TEST_F(HeaderFieldsTest, EncodesSubjectsThatPlainTextWouldChange) {
  for (const std::string& subject :
       {std::string("Gr\xC3\xBC\xC3\x9F"
                    "e aus M\xC3\xBCnchen"),
        std::string("  leading and trailing  "), std::string("looks =?utf-8?q?encoded?="),
        std::string("line\r\nBcc: evil@example.com"), std::string("tab\there"), std::string(120, 'x'),
        std::string("\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E") + std::string(40, '!')}) {
    const std::string value = UnstructuredFieldValue("Subject", subject);
    EXPECT_TRUE(IsSevenBitPrintable(value)) << value;
    ExpectFoldedWithin78("Subject", value);
    EXPECT_EQ(DecodedText(value), subject) << value;
    EXPECT_NE(value.find("=?UTF-8?"), std::string::npos);
  }
}

TEST_F(HeaderFieldsTest, EncodedWordsHoldWholeCharactersAndStayWithin75) {
  std::string subject;
  for (int i = 0; i < 60; ++i) subject += "\xF0\x9F\x93\xA7\xC3\xA4";  // four- and two-byte characters
  const std::string value = UnstructuredFieldValue("Subject", subject);
  for (const std::string& line : Lines(value)) {
    std::istringstream words(line);
    for (std::string word; words >> word;) {
      EXPECT_LE(word.size(), 75u);
      const std::string decoded = DecodedText(" " + word);
      EXPECT_EQ(ValidUtf8(decoded), decoded) << word;
      EXPECT_EQ(decoded.find("\xEF\xBF\xBD"), std::string::npos) << word;
    }
  }
  EXPECT_EQ(DecodedText(value), subject);
}

TEST_F(HeaderFieldsTest, SeveralWordsSurviveParsersThatJoinThemBeforeDecoding) {
  // Three-byte characters after a one-byte one never end a base64 word on a whole group of three
  // bytes; GMime joins adjacent words and would stop at the padding.
  std::string cjk = " ";
  for (int i = 0; i < 40; ++i) cjk += "\xE6\x97\xA5";
  const std::string mixed =
      "Gr\xC3\xBC\xC3\x9F"
      "e aus M\xC3\xBCnchen \xE2\x80\x93 "
      "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE4\xBB\xB6\xE5\x90\x8D "
      "\xE2\x9C\x93";
  for (const std::string& subject : {cjk, mixed}) {
    const std::string value = UnstructuredFieldValue("Subject", subject);
    EXPECT_EQ(DecodedText(value), subject) << value;
    ExpectFoldedWithin78("Subject", value);
  }
}

TEST_F(HeaderFieldsTest, WritesNotesNamesAsNamedMailboxesAtTheReservedDomain) {
  EXPECT_EQ(AddressFieldValue("To", {{"", "ann@example.com"}, {"Bob Ray/Org", ""}}),
            " ann@example.com, Bob Ray/Org <Bob.Ray.Org@notes.mailshift.invalid>\n");
  EXPECT_EQ(AddressFieldValue("To", {{"Ann Lee", "ann@example.com"}}), " Ann Lee <ann@example.com>\n");
  EXPECT_EQ(AddressFieldValue("To", {{"J. Smith/Org", ""}}),
            " \"J. Smith/Org\" <J.Smith.Org@notes.mailshift.invalid>\n");
  EXPECT_EQ(AddressFieldValue("To", {{"Lee, \"Ann\" \\", "a@b.c"}}), " \"Lee, \\\"Ann\\\" \\\\\" <a@b.c>\n");
  EXPECT_EQ(AddressFieldValue("To", {{"line\r\nBcc: x", ""}}),
            " \"line  Bcc: x\" <line.Bcc.x@notes.mailshift.invalid>\n");
  // Two names that differ only beyond ASCII never share an address.
  EXPECT_NE(NotesNameAddress("J\xC3\xBCrgen/Org"), NotesNameAddress("J\xC3\xB6rgen/Org"));
  EXPECT_TRUE(IsAddrSpec(NotesNameAddress("\xC3\x85/\xC3\x96")));
  EXPECT_TRUE(IsAddrSpec(NotesNameAddress(std::string(47, 'x') + " y")));  // cut where a dot was
}

TEST_F(HeaderFieldsTest, EncodesNonAsciiNamesSoThatParsersReadOneMailboxEach) {
  const std::string value = AddressFieldValue(
      "To", {{"Z\xC3\xB6\xC3\xAB \xC3\x85ngstr\xC3\xB6m", "zoe@example.com"}, {"J\xC3\xBCrgen/Org", ""}});
  EXPECT_TRUE(IsSevenBitPrintable(value));
  GObjectPtr<InternetAddressList> list(internet_address_list_parse(nullptr, Unfolded(value).c_str()));
  ASSERT_EQ(internet_address_list_length(list.get()), 2);
  EXPECT_STREQ(internet_address_get_name(internet_address_list_get_address(list.get(), 0)),
               "Z\xC3\xB6\xC3\xAB \xC3\x85ngstr\xC3\xB6m");
  InternetAddress* notesName = internet_address_list_get_address(list.get(), 1);
  EXPECT_STREQ(internet_address_get_name(notesName), "J\xC3\xBCrgen/Org");
  ASSERT_TRUE(INTERNET_ADDRESS_IS_MAILBOX(notesName));
  EXPECT_EQ(std::string(internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(notesName))),
            NotesNameAddress("J\xC3\xBCrgen/Org"));
}

TEST_F(HeaderFieldsTest, MessageIdsAndKeywords) {
  EXPECT_EQ(MessageIds("<a@b.example> junk <no at> <c@d.example>"),
            (std::vector<std::string>{"<a@b.example>", "<c@d.example>"}));
  EXPECT_TRUE(MessageIds("<a b@c.example> <@x> <x@>").empty());
  EXPECT_EQ(MessageIdsFieldValue("References", {"<a@b.example>", "<c@d.example>"}),
            " <a@b.example> <c@d.example>\n");
  const std::string keywords = KeywordsFieldValue("Keywords", {"Budget", "Q1, 2009",
                                                               "Gr\xC3\xBC\xC3\x9F"
                                                               "e"});
  EXPECT_TRUE(IsSevenBitPrintable(keywords));
  EXPECT_EQ(keywords.substr(0, 24), " Budget, \"Q1, 2009\", =?U");
}

TEST_F(HeaderFieldsTest, SplitsOnlyNamesTooLongForALine) {
  std::string name;
  for (int i = 0; i < 200; ++i) name += "\xC3\xA4\xC3\xB6 ";
  name += "end";
  const std::string value = AddressFieldValue("Cc", {{name, ""}});
  for (const std::string& line : Lines(value)) EXPECT_LE(line.size(), 998u);
  GObjectPtr<InternetAddressList> list(internet_address_list_parse(nullptr, Unfolded(value).c_str()));
  ASSERT_EQ(internet_address_list_length(list.get()), 1);
  EXPECT_EQ(internet_address_get_name(internet_address_list_get_address(list.get(), 0)), name);
}

TEST_F(HeaderFieldsTest, FoldsLongAddressListsBetweenEntries) {
  std::vector<Recipient> recipients;
  for (int i = 0; i < 30; ++i)
    recipients.push_back({"Person " + std::to_string(i), "p" + std::to_string(i) + "@example.com"});
  const std::string value = AddressFieldValue("To", recipients);
  ExpectFoldedWithin78("To", value);
  GObjectPtr<InternetAddressList> list(internet_address_list_parse(nullptr, Unfolded(value).c_str()));
  EXPECT_EQ(internet_address_list_length(list.get()), 30);
}

std::string ParsedFileName(const std::string& value) {
  GObjectPtr<GMimeContentDisposition> disposition(
      g_mime_content_disposition_parse(nullptr, Unfolded(value).c_str()));
  const char* name = g_mime_content_disposition_get_parameter(disposition.get(), "filename");
  return name == nullptr ? "(none)" : name;
}

TEST_F(HeaderFieldsTest, WritesPlainFileNamesQuoted) {
  EXPECT_EQ(FileNameFieldValue("attachment", "filename", "report.pdf"),
            " attachment;\n filename=\"report.pdf\"\n");
  EXPECT_EQ(FileNameFieldValue("attachment", "filename", "a \"b\";c.txt"),
            " attachment;\n filename=\"a \\\"b\\\";c.txt\"\n");
}

TEST_F(HeaderFieldsTest, WritesOtherFileNamesAsRfc2231SectionsOfWholeCharacters) {
  std::string longName;
  for (int i = 0; i < 40; ++i) longName += "\xE6\x97\xA5\xE6\x9C\xAC ";
  longName += ".pdf";
  for (const std::string& name :
       {std::string("Bericht f\xC3\xBCr M\xC3\xA4rz.pdf"), std::string(" lead.txt "),
        std::string("=?utf-8?q?x?=.txt"), std::string("tab\there%41.txt"), longName}) {
    const std::string value = FileNameFieldValue("attachment", "filename", name);
    EXPECT_TRUE(IsSevenBitPrintable(value)) << value;
    ExpectFoldedWithin78("Content-Disposition", value);
    EXPECT_NE(value.find("filename*"), std::string::npos);
    EXPECT_EQ(ParsedFileName(value), name) << value;
    // Each section decodes to whole characters on its own.
    for (const std::string& line : Lines(value)) {
      const auto equals = line.find("*=");
      if (equals == std::string::npos) continue;
      std::string section = line.substr(equals + 2);
      if (section.starts_with("UTF-8''")) section.erase(0, 7);
      if (section.ends_with(";")) section.pop_back();
      std::string bytes;
      for (std::size_t i = 0; i < section.size(); ++i) {
        if (section[i] == '%') {
          bytes += static_cast<char>(std::stoi(section.substr(i + 1, 2), nullptr, 16));
          i += 2;
        } else {
          bytes += section[i];
        }
      }
      EXPECT_EQ(ValidUtf8(bytes), bytes) << line;
    }
  }
}

}  // namespace
}  // namespace mailshift::platform
