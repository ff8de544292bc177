#include <gtest/gtest.h>

#include <string>

#include "export/MediaTypes.h"
#include "export/MessagePeople.h"
#include "export/MimeWords.h"

namespace mailshift::mail {
namespace {

struct ParameterCase {
  const char* value;
  const char* name;
  const char* decoded;
};

// File names as mail programs send them: RFC 2231 in one piece and in sections, encoded words,
// and the plain forms they must not disturb.
const ParameterCase kParameterCases[] = {
    {"attachment; filename=\"report.pdf\"", "filename", "report.pdf"},
    {"attachment; filename=report.pdf", "filename", "report.pdf"},
    {"attachment; FILENAME=\"a;b.pdf\"", "filename", "a;b.pdf"},
    {"attachment; filename*=UTF-8''%E2%82%AC%20rates.pdf", "filename", "€ rates.pdf"},
    {"attachment; filename*=utf-8'de'Gr%C3%BC%C3%9Fe.txt", "filename", "Grüße.txt"},
    {"attachment; filename*=iso-8859-1''R%E9sum%E9.pdf", "filename", "Résumé.pdf"},
    {"attachment;\r\n filename*0*=UTF-8''%E4%BC%9A%E8%AD%B0;\r\n filename*1*=%E8%B3%87%E6%96%99;\r\n "
     "filename*2=.docx",
     "filename", "会議資料.docx"},
    {"attachment; filename*1=\"second.pdf\"; filename*0=\"first-\"", "filename", "first-second.pdf"},
    {"attachment; filename=\"fallback.pdf\"; filename*=UTF-8''%C3%9Cbersicht.pdf", "filename",
     "Übersicht.pdf"},
    {"attachment; filename=\"=?UTF-8?B?w5xiZXJzaWNodC5wZGY=?=\"", "filename", "Übersicht.pdf"},
    {"application/pdf; name=\"=?iso-8859-1?Q?R=E9sum=E9?= =?iso-8859-1?Q?_2024.pdf?=\"", "name",
     "Résumé 2024.pdf"},
    {"attachment; filename=\"=?koi8-r?B?8NLJ18XU?=\"", "filename", "=?koi8-r?B?8NLJ18XU?="},
    {"attachment", "filename", ""},
    {"text/plain; charset=\"UTF-8\"", "charset", "UTF-8"},
};

TEST(MimeWords, ParametersAreDecodedInEveryFormMailProgramsSend) {
  for (const ParameterCase& c : kParameterCases) {
    EXPECT_EQ(DecodedParameter(c.value, c.name), c.decoded) << c.value;
  }
}

TEST(MimeWords, EncodedWordsAreDecodedAndTheBlanksBetweenThemDropped) {
  const std::pair<const char*, const char*> cases[] = {
      {"=?UTF-8?Q?Ann_L=C3=A9e?=", "Ann Lée"},
      {"=?UTF-8?B?TWFydGE=?= =?UTF-8?B?IFF1aWxs?=", "Marta Quill"},
      {"Dear =?windows-1252?Q?=93friend=94?= !",
       "Dear \xE2\x80\x9C"
       "friend\xE2\x80\x9D !"},
      {"plain text", "plain text"},
      {"=?UTF-8?Q?broken", "=?UTF-8?Q?broken"},
      {"=?UTF-8?X?unknown?=", "=?UTF-8?X?unknown?="},
  };
  for (const auto& [encoded, decoded] : cases) EXPECT_EQ(DecodeEncodedWords(encoded), decoded) << encoded;
}

TEST(MimeWords, HeaderNamesGoToThePeopleOfTheirAddress) {
  People people{
      {"", "", "marta@tidewatch.example", AddressSource::InternetItem},
      {"Bob Ray/Sales/Corvane", "Bob Ray/Sales/Corvane", "BOB@corvane.example", AddressSource::InternetItem},
      {"Dana/Legal", "Dana/Legal", "", AddressSource::None}};
  NamePeopleFromHeader(people,
                       "=?UTF-8?Q?Marta_Qu=C3=AFll?= <marta@tidewatch.example>, \"Ray, Bob\" (work)\r\n"
                       " <bob@corvane.example>, Team: x@y.example;, (no name) z@q.example");
  EXPECT_EQ(people[0].displayName, "Marta Quïll");
  EXPECT_EQ(people[1].displayName, "Ray, Bob");
  EXPECT_EQ(people[2].displayName, "Dana/Legal");
  NamePeopleFromHeader(people, "Evil\r\nBcc: <marta@tidewatch.example>");
  EXPECT_EQ(people[0].displayName.find('\n'), std::string::npos);
}

TEST(MediaTypes, StoredFilesAreTypedByTheirBytesThenTheirName) {
  struct Case {
    std::string bytes;
    const char* name;
    const char* mediaType;
    const char* charset;
  };
  const Case cases[] = {
      {"\x89PNG\r\n\x1A\n....", "picture", "image/png", ""},
      {"\xFF\xD8\xFF\xE0 JFIF", "scan 001.jpg", "image/jpeg", ""},
      {"GIF89a...", "chart.dat", "image/gif", ""},
      {"%PDF-1.4\n", "agenda.pdf", "application/pdf", ""},
      {"Gr\xC3\xBC\xC3\x9F"
       "e",
       "notes.txt", "text/plain", "utf-8"},
      {"Gr\xFC\xDF"
       "e",
       "notes.TXT", "text/plain", ""},
      {"a,b\r\n", "data.csv", "text/csv", "utf-8"},
      {"PK\x03\x04", "budget.xlsx", "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet", ""},
      {"BM....", "README", "application/octet-stream", ""},
      {"", "no extension", "application/octet-stream", ""},
  };
  for (const Case& c : cases) {
    const FileType type = FileTypeOf(c.bytes, c.name);
    EXPECT_EQ(type.mediaType, c.mediaType) << c.name;
    const std::string charset = type.parameters.empty() ? "" : type.parameters.front().second;
    EXPECT_EQ(charset, c.charset) << c.name;
  }
}

}  // namespace
}  // namespace mailshift::mail
