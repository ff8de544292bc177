// Building stores from fixtures and dumping them back.
#include <gtest/gtest.h>

#include "platform/standin/StoreFixture.h"
#include "platform/standin/tests/StoreTestSupport.h"

namespace mailshift::standin {
namespace {

using json = nlohmann::json;
using testing::OpenStore;
using testing::ReadBytes;
using testing::ScratchFolder;
using testing::WriteBytes;

// Every value kind and every optional key, written out as the dump writes it.
const json kEveryKind = json::parse(R"json({
  "title": "Mail - Zoë Ärger",
  "views": [
    {"name": "($Inbox)", "folder": true, "documents": ["m1", "m2"]},
    {"name": " Projects \\ 2008 ", "folder": true, "documents": ["m2"], "count": 7},
    {"name": "($All)", "folder": false, "documents": ["m1", "m2", "m3"]},
    {"name": "Empty", "folder": true, "documents": []}
  ],
  "documents": [
    {"id": "m1", "unid": "0123456789ABCDEF0123456789ABCDEF", "size": 2048, "has_embedded": true,
     "created": "2008-11-05T14:29:00-05:00", "encrypted": true, "items": [
      {"name": "Subject", "text": ["Grüße: a/b\\c *?\"<>|", ""]},
      {"name": "SendTo", "text": ["Bob Ray/Org", "Cy Orr/Org"]},
      {"name": "InetSendTo", "text": ["bob@example.com", "."]},
      {"name": "Empty", "text": []},
      {"name": "PostedDate", "datetime": ["2008-11-05T14:30:00-05:00", "1999-12-31T23:59:59+00:00",
                                          "2024-02-29T00:00:00+05:45", "0001-01-01T00:00:00+00:00"]},
      {"name": "Count", "number": [3, -1.5, 0, 1e300, 9007199254740993], "encrypted": true},
      {"name": "Body", "richtext": "Hello there\r\nLine two",
       "embedded": [{"name": "a.doc", "type": 1454, "base64": "SGVsbG8="},
                    {"name": "a.doc", "type": 1454, "base64": ""},
                    {"name": "Übersicht.xlsx", "type": 1453, "base64": "AAEC/f7/"}]}]},
    {"id": "m2", "size": 0, "has_embedded": false, "created": "2000-01-01T00:00:00+00:00", "encrypted": false, "items": [
      {"name": "Body", "richtext": ""}]},
    {"id": "m3", "size": 123456789012, "has_embedded": true, "created": "2000-01-01T00:00:00+00:00",
     "encrypted": false, "items": []}
  ]
})json");

TEST(FixtureTest, BuildThenDumpGivesBackTheFixture) {
  ScratchFolder folder;
  BuildStore(kEveryKind, folder / "store.nsf");
  json dump = DumpStore(folder / "store.nsf");
  // 9007199254740993 is beyond what a number item holds exactly.
  json expected = kEveryKind;
  expected["documents"][0]["items"][5]["number"][4] = 9007199254740992;
  EXPECT_EQ(dump, expected) << dump.dump(1);
}

TEST(FixtureTest, DumpTextBuildsTheSameStoreAgain) {
  ScratchFolder folder;
  BuildStore(kEveryKind, folder / "first.nsf");
  BuildStoreFromText(DumpStoreText(folder / "first.nsf"), folder / "second.nsf");
  EXPECT_EQ(DumpStoreText(folder / "first.nsf"), DumpStoreText(folder / "second.nsf"));
}

TEST(FixtureTest, OptionalKeysTakeTheirDefaults) {
  ScratchFolder folder;
  const json fixture = json::parse(R"json({
    "documents": [
      {"id": "a", "items": [{"name": "Body", "richtext": "x", "embedded": [{"name": "f", "base64": "AAAA"}]}]},
      {"id": "b", "items": [{"name": "Subject", "text": ["0123456789"]}]},
      {"id": "c"}
    ],
    "views": [{"name": "V", "folder": false}]
  })json");
  BuildStore(fixture, folder / "store.nsf");
  const json dump = DumpStore(folder / "store.nsf");
  EXPECT_EQ(dump["title"], "");
  EXPECT_EQ(dump["views"][0]["documents"], json::array());
  EXPECT_FALSE(dump["views"][0].contains("count"));
  const auto& documents = dump["documents"];
  EXPECT_EQ(documents[0]["has_embedded"], true);
  EXPECT_EQ(documents[0]["items"][0]["embedded"][0]["type"], 1454);
  EXPECT_EQ(documents[1]["has_embedded"], false);
  EXPECT_EQ(documents[2]["items"], json::array());
  // The default size grows with the data: "b" holds ten bytes of text more than "c".
  const auto sizeB = documents[1]["size"].get<std::int64_t>();
  const auto sizeC = documents[2]["size"].get<std::int64_t>();
  EXPECT_GT(sizeC, 0);
  EXPECT_GE(sizeB, sizeC + 10 + 7);
  EXPECT_GE(documents[0]["size"].get<std::int64_t>(), sizeC + 3);
}

TEST(FixtureTest, FileEntriesAreReadBesideTheFixture) {
  ScratchFolder folder;
  std::filesystem::create_directories(folder / "parts");
  const std::string bytes("\x00\x01binary\xFF", 9);
  WriteBytes(folder / "parts" / "scan.bin", bytes);
  WriteBytes(folder / "fixture.json", R"json({"documents": [{"id": "a", "items": [
      {"name": "Body", "richtext": "", "embedded": [{"name": "scan.bin", "file": "parts/scan.bin"}]}]}],
      "views": [{"name": "($Inbox)", "folder": true, "documents": ["a"]}]})json");
  BuildStoreFromFile(folder / "fixture.json", folder / "store.nsf");
  auto object = OpenStore(folder / "store.nsf")
                    ->GetView("($Inbox)")
                    ->GetFirstDocument()
                    ->GetFirstItem("Body")
                    ->EmbeddedObjects()
                    .at(0);
  object->ExtractFile((folder / "out.bin").string());
  EXPECT_EQ(ReadBytes(folder / "out.bin"), bytes);
}

struct BadFixture {
  const char* fixture;
  const char* message;  // what() of the FixtureError
};

void PrintTo(const BadFixture& bad, std::ostream* out) { *out << bad.fixture; }

class BadFixtureTest : public ::testing::TestWithParam<BadFixture> {};

TEST_P(BadFixtureTest, NamesThePlaceAndLeavesNoStore) {
  ScratchFolder folder;
  const auto store = folder / "store.nsf";
  WriteBytes(store, "previous store");
  try {
    BuildStoreFromText(GetParam().fixture, store, folder.path());
    ADD_FAILURE() << "built " << GetParam().fixture;
  } catch (const FixtureError& error) {
    EXPECT_EQ(std::string(error.what()), GetParam().message);
  }
  EXPECT_EQ(ReadBytes(store), "previous store");
  EXPECT_EQ(folder.FileNames(), std::vector<std::string>{"store.nsf"});
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, BadFixtureTest,
    ::testing::Values(
        BadFixture{"[]", "not a JSON object (found a list)"},
        BadFixture{R"json({"title": 5})json", "title: not a text (found a number)"},
        BadFixture{R"json({"titel": "x"})json", "titel: unknown key"},
        BadFixture{R"json({"documents": {}})json", "documents: not a list (found an object)"},
        BadFixture{R"json({"documents": [{"items": []}]})json", "documents[0].id: missing"},
        BadFixture{R"json({"documents": [{"id": "a"}, {"id": "a"}]})json",
                   "documents[1].id: \"a\" is used by an earlier document"},
        BadFixture{R"json({"documents": [{"id": "a", "unid": "0123456789ABCDEF0123456789ABCDE"}]})json",
                   "documents[0].unid: not 32 hexadecimal digits"},
        BadFixture{R"json({"documents": [{"id": "a", "unid": "0123456789ABCDEF0123456789ABCDEG"}]})json",
                   "documents[0].unid: not 32 hexadecimal digits"},
        BadFixture{R"json({"documents": [{"id": "a", "unid": " 123456789ABCDEF0123456789ABCDEF"}]})json",
                   "documents[0].unid: not 32 hexadecimal digits"},
        BadFixture{R"json({"documents": [{"id": "a", "unid": ""}]})json",
                   "documents[0].unid: not 32 hexadecimal digits"},
        BadFixture{R"json({"documents": [{"id": "a", "unid": 12345}]})json",
                   "documents[0].unid: not a text (found a number)"},
        BadFixture{R"json({"documents": [{"id": "a", "unid": "0123456789abcdef0123456789abcdef"},
                      {"id": "b"}, {"id": "c", "unid": "0123456789ABCDEF0123456789ABCDEF"}]})json",
                   "documents[2].unid: \"0123456789ABCDEF0123456789ABCDEF\" is used by an earlier document"},
        BadFixture{R"json({"documents": [{"id": "a", "size": -1}]})json",
                   "documents[0].size: not a whole number from 0 to 9223372036854775807"},
        BadFixture{R"json({"documents": [{"id": "a", "size": 1.5}]})json",
                   "documents[0].size: not a whole number from 0 to 9223372036854775807 (found a number)"},
        BadFixture{R"json({"documents": [{"id": "a", "has_embedded": "yes"}]})json",
                   "documents[0].has_embedded: not true or false (found a text)"},
        BadFixture{R"json({"documents": [{"id": "a", "items": [{"name": "X"}]}]})json",
                   "documents[0].items[0]: needs exactly one of \"text\", \"number\", \"datetime\", "
                   "\"richtext\", \"mime\""},
        BadFixture{
            R"json({"documents": [{"id": "a", "items": [{"name": "X", "text": ["a"], "number": [1]}]}]})json",
            "documents[0].items[0]: needs exactly one of \"text\", \"number\", \"datetime\", \"richtext\", "
            "\"mime\""},
        BadFixture{R"json({"documents": [{"id": "a", "items": [{"name": "X", "text": ["a", 2]}]}]})json",
                   "documents[0].items[0].text[1]: not a text (found a number)"},
        BadFixture{R"json({"documents": [{"id": "a", "items": [{"name": "X", "number": ["2"]}]}]})json",
                   "documents[0].items[0].number[0]: not a number (found a text)"},
        BadFixture{R"json({"documents": [{"id": "a"}, {"id": "b", "items": [{"name": "S", "text": []},
                      {"name": "D", "datetime": ["2008-11-05 14:30"]}]}]})json",
                   "documents[1].items[1].datetime[0]: not a date-time (like 2008-11-05T14:30:00-05:00)"},
        BadFixture{
            R"json({"documents": [{"id": "a", "items": [{"name": "D", "datetime": ["2009-02-29T00:00:00Z"]}]}]})json",
            "documents[0].items[0].datetime[0]: not a date-time (like 2008-11-05T14:30:00-05:00)"},
        BadFixture{R"json({"documents": [{"id": "a", "items": [{"name": "B", "richtext": ["x"]}]}]})json",
                   "documents[0].items[0].richtext: not a text (found a list)"},
        BadFixture{
            R"json({"documents": [{"id": "a", "items": [{"name": "B", "text": [], "embedded": []}]}]})json",
            "documents[0].items[0].embedded: only a \"richtext\" item holds embedded objects"},
        BadFixture{R"json({"documents": [{"id": "a", "items": [{"name": "B", "richtext": "",
                      "embedded": [{"name": "f", "base64": "SGVsbG8*"}]}]}]})json",
                   "documents[0].items[0].embedded[0].base64: not base64"},
        BadFixture{R"json({"documents": [{"id": "a", "items": [{"name": "B", "richtext": "",
                      "embedded": [{"name": "f"}]}]}]})json",
                   "documents[0].items[0].embedded[0]: needs one of \"base64\" or \"file\""},
        BadFixture{
            R"json({"documents": [{"id": "a", "items": [{"name": "B", "richtext": "",
                      "embedded": [{"name": "f", "type": 1e10, "base64": ""}]}]}]})json",
            "documents[0].items[0].embedded[0].type: not a whole number from -2147483648 to 2147483647 "
            "(found a number)"},
        BadFixture{R"json({"views": [{"name": "V", "folder": true, "documents": ["m9"]}]})json",
                   "views[0].documents[0]: no document \"m9\""},
        BadFixture{R"json({"views": [{"name": "V"}]})json", "views[0].folder: missing"},
        BadFixture{R"json({"views": [{"name": "V", "folder": true, "count": -2}]})json",
                   "views[0].count: not a whole number from 0 to 9223372036854775807"},
        BadFixture{
            "{\"title\": \"x\",}",
            "not JSON: parse error at line 1, column 15: syntax error while parsing object key - unexpected "
            "'}'; expected string literal"}));

TEST(FixtureFileTest, MissingAttachmentFileIsABadFixture) {
  ScratchFolder folder;
  WriteBytes(folder / "fixture.json", R"json({"documents": [{"id": "a", "items": [
      {"name": "Body", "richtext": "", "embedded": [{"name": "x", "file": "nowhere.bin"}]}]}]})json");
  try {
    BuildStoreFromFile(folder / "fixture.json", folder / "store.nsf");
    ADD_FAILURE();
  } catch (const FixtureError& error) {
    EXPECT_EQ(error.place(), "documents[0].items[0].embedded[0].file");
  }
  EXPECT_FALSE(std::filesystem::exists(folder / "store.nsf"));
}

TEST(FixtureFileTest, EmptyOrMissingFixtureFile) {
  ScratchFolder folder;
  WriteBytes(folder / "empty.json", "");
  EXPECT_THROW(BuildStoreFromFile(folder / "empty.json", folder / "store.nsf"), FixtureError);
  try {
    BuildStoreFromFile(folder / "missing.json", folder / "store.nsf");
    ADD_FAILURE();
  } catch (const FixtureError& error) {
    EXPECT_EQ(std::string(error.what()), "cannot be read (no such file)");
  }
  EXPECT_THROW(BuildStoreFromFile(folder.path(), folder / "store.nsf"), FixtureError);
  EXPECT_EQ(folder.FileNames(), std::vector<std::string>{"empty.json"});
}

TEST(FixtureFileTest, UnwritableTargetIsAFileError) {
  ScratchFolder folder;
  EXPECT_THROW(BuildStore(json::object(), folder / "no such folder" / "store.nsf"), std::runtime_error);
}

}  // namespace
}  // namespace mailshift::standin
