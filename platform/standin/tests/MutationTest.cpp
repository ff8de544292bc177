// Bounded random-mutation tests of the two readers that take outside input: the store reader
// (mutated store files walked through every Notes operation) and the fixture reader (mutated
// fixtures built into stores). Nothing may crash or leak, a failure is only ever the reader's own
// error, and what the fixture reader accepts must read back whole.
#include <gtest/gtest.h>

#include <iostream>
#include <typeinfo>

#include "platform/standin/StoreFixture.h"
#include "platform/standin/tests/Mutation.h"
#include "platform/standin/tests/StoreTestSupport.h"

namespace mailshift::standin {
namespace {

using json = nlohmann::json;
using testing::MutationPlan;
using testing::MutationRandom;
using testing::ReadBytes;
using testing::ReadEverything;
using testing::ScratchFolder;
using testing::WriteBytes;

const std::vector<std::string> kItemNames{"Subject", "From", "SendTo", "PostedDate", "Count", "Body"};

// Every kind of record the store holds: views sharing documents, a stored count, values of every
// kind, universal ids, and attachments, one of them spread over overflow pages.
json SeedFixture() {
  json fixture = json::parse(R"json({
    "title": "Mail - Ann Lee",
    "views": [
      {"name": "($Inbox)", "folder": true, "documents": ["m1", "m2", "m3"]},
      {"name": "Projects\\2008", "folder": true, "documents": ["m2"], "count": 4},
      {"name": "($All)", "folder": false, "documents": ["m3", "m1", "m2"]},
      {"name": "Empty", "folder": true}
    ],
    "documents": [
      {"id": "m1", "unid": "85257C5A0052D8A3852573C10057E1B4", "items": [
        {"name": "Subject", "text": ["Grüße", ""]},
        {"name": "From", "text": ["Bob Ray/Org"]},
        {"name": "SendTo", "text": ["a@example.com", "b@example.com"]},
        {"name": "PostedDate", "datetime": ["2008-11-05T14:30:00-05:00"]},
        {"name": "Count", "number": [3, -1.5]},
        {"name": "Body", "richtext": "Hello there",
         "embedded": [{"name": "a.txt", "base64": "SGVsbG8="}, {"name": "ole", "type": 1453, "base64": ""}]}]},
      {"id": "m2", "unid": "0A1B2C3D4E5F60718293A4B5C6D7E8F9", "size": 99, "items": [
        {"name": "subject", "text": ["second"]},
        {"name": "Body", "richtext": ""}]},
      {"id": "m3", "items": []}
    ]
  })json");
  std::string big;
  for (int i = 0; i < 30000; ++i) big += static_cast<char>('A' + i % 26);
  fixture["documents"][2]["items"].push_back(
      {{"name", "Body"}, {"richtext", "big"}, {"embedded", {{{"name", "big.bin"}, {"base64", ""}}}}});
  // 30,000 letters are 22,500 bytes once decoded: several pages of content.
  fixture["documents"][2]["items"][0]["embedded"][0]["base64"] = big.substr(0, 30000);
  return fixture;
}

// Reads a (possibly damaged) store as the program would: every failure must be a NotesError, or
// for the dump and the summary a std::runtime_error; anything else fails the test.
// Gives the number of operations that worked.
int ReadWhatever(const std::filesystem::path& store, const std::filesystem::path& extractFolder,
                 const std::string& replay) {
  int worked = 0;
  const auto step = [&](const std::function<void()>& call) {
    try {
      call();
      ++worked;
    } catch (const notes::NotesError&) {
      // A damaged record: what the caller's policy then handles.
    } catch (const std::exception& error) {
      ADD_FAILURE() << "not a NotesError but " << typeid(error).name() << ": " << error.what() << "; "
                    << replay;
    }
  };
  step([&] { ReadEverything(*testing::OpenStore(store), extractFolder, step, kItemNames, 1000); });
  for (const auto& read : {std::function<void()>([&] { DumpStore(store); }),
                           std::function<void()>([&] { SummarizeStore(store); })}) {
    try {
      read();
    } catch (const std::runtime_error&) {
    } catch (const std::exception& error) {
      ADD_FAILURE() << typeid(error).name() << ": " << error.what() << "; " << replay;
    }
  }
  return worked;
}

void PutBigEndian32(std::string& bytes, std::size_t at, std::uint32_t value) {
  for (int i = 0; i < 4 && at + i < bytes.size(); ++i)
    bytes[at + i] = static_cast<char>(value >> (24 - 8 * i));
}

// A few random changes to a store's bytes: mostly in the pages behind the header, which the
// header checks do not see; sometimes in the header or the file's length.
std::string MutateStore(std::string bytes, MutationRandom& random) {
  static constexpr std::uint32_t kInteresting[] = {0,      1,      2,          0x7F,       0x80,      0xFF,
                                                   0x7FFF, 0xFFFF, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFF};
  const std::size_t changes = 1 + random.Below(8);
  for (std::size_t change = 0; change < changes && !bytes.empty(); ++change) {
    const std::size_t at = random.Percent(10)
                               ? random.Below(100)
                               : 100 + random.Below(bytes.size() > 100 ? bytes.size() - 100 : 1);
    if (at >= bytes.size()) continue;
    switch (random.Below(6)) {
      case 0:
        bytes[at] = static_cast<char>(bytes[at] ^ (1 << random.Below(8)));
        break;
      case 1:
        bytes[at] = static_cast<char>(kInteresting[random.Below(std::size(kInteresting))]);
        break;
      case 2:
        PutBigEndian32(bytes, at, kInteresting[random.Below(std::size(kInteresting))]);
        break;
      case 3: {  // a piece of one place copied over another, as a misplaced write would
        const std::size_t from = random.Below(bytes.size());
        const std::size_t length = std::min({1 + random.Below(512), bytes.size() - from, bytes.size() - at});
        bytes.replace(at, length, bytes.substr(from, length));
        break;
      }
      case 4:
        for (std::size_t i = at; i < std::min(bytes.size(), at + 1 + random.Below(64)); ++i)
          bytes[i] = static_cast<char>(random.Next());
        break;
      default:
        if (random.Percent(20)) bytes.resize(at);
        break;
    }
  }
  return bytes;
}

TEST(MutatedStoreTest, EveryOperationEitherWorksOrGivesTheReadersErrorAndTheFileStaysAsItWas) {
  ScratchFolder folder;
  const auto seedStore = folder / "seed.nsf";
  BuildStore(SeedFixture(), seedStore);
  const std::string original = ReadBytes(seedStore);
  ASSERT_GT(original.size(), 4u * 8192u);

  const MutationPlan plan = testing::PlanMutations("mutated stores", 20260001, 100);
  int walkedDocuments = 0;
  for (int round = 0; round < plan.rounds; ++round) {
    const std::string replay = plan.Replay(round);
    SCOPED_TRACE(replay);
    MutationRandom random(plan.RoundSeed(round));
    const std::string mutated = MutateStore(original, random);
    const auto store = folder / "mutated.nsf";
    WriteBytes(store, mutated);
    ScratchFolder extracted;
    // Past the title, the views and their members, a walk has reached the documents.
    if (ReadWhatever(store, extracted.path(), replay) > 40) ++walkedDocuments;
    ASSERT_TRUE(ReadBytes(store) == mutated) << "the reader changed the store; " << replay;
    ASSERT_EQ(ScratchFolder::FileNamesOf(folder.path()),
              (std::vector<std::string>{"mutated.nsf", "seed.nsf"}))
        << replay;
    if (::testing::Test::HasFailure()) break;
  }
  std::cout << walkedDocuments << " of " << plan.rounds << " mutated stores were read down to their documents"
            << std::endl;
  // The mutations must leave enough stores readable for the walk to reach the records behind them.
  EXPECT_GT(walkedDocuments, plan.rounds / 10);
}

// Values a fixture's places get instead of their own: wrong kinds, edges of ranges, hostile paths.
json SomeValue(MutationRandom& random, const json& fixture) {
  switch (random.Below(20)) {
    case 0:
      return nullptr;
    case 1:
      return random.Percent(50);
    case 2:
      return -1;
    case 3:
      return 0;
    case 4:
      return std::numeric_limits<std::int64_t>::max();
    case 5:
      return std::numeric_limits<std::uint64_t>::max();
    case 6:
      return 1e308;
    case 7:
      return -2.5;
    case 8:
      return "";
    case 9:
      return std::string(1000, 'x');
    case 10:
      return "../attachment.bin";
    case 11:
      return "/etc/hostname";
    case 12:
      return "85257c5a0052d8a3852573c10057e1b4";
    case 13:
      return "2008-02-30T25:61:61+99:99";
    case 14:
      return json::array();
    case 15:
      return json::object();
    case 16:
      return json::array({"m1", "m1", "m9"});
    case 17:
      return "attachment.bin";
    case 18:
      return "\x01\xFF\xFE";
    default: {  // another part of the fixture itself
      const json* node = &fixture;
      for (int depth = 0; depth < 6 && (node->is_array() || node->is_object()) && !node->empty(); ++depth) {
        auto it = node->begin();
        std::advance(it, static_cast<std::ptrdiff_t>(random.Below(node->size())));
        node = &*it;
      }
      return *node;
    }
  }
}

// Some random changes to a fixture: its parts replaced, removed, doubled or given new keys, or its
// text changed character by character.
std::string MutateFixture(const json& original, MutationRandom& random) {
  static const char* const kKeys[] = {"unid",   "size",         "count",    "file",     "base64",
                                      "type",   "has_embedded", "embedded", "richtext", "datetime",
                                      "number", "text",         "_note",    "folders"};
  json fixture = original;
  const std::size_t changes = 1 + random.Below(4);
  for (std::size_t change = 0; change < changes; ++change) {
    json* parent = nullptr;
    json* node = &fixture;
    for (std::size_t depth = 1 + random.Below(7);
         depth > 0 && (node->is_array() || node->is_object()) && !node->empty(); --depth) {
      parent = node;
      auto it = node->begin();
      std::advance(it, static_cast<std::ptrdiff_t>(random.Below(node->size())));
      node = &*it;
    }
    switch (random.Below(4)) {
      case 0:
        *node = SomeValue(random, original);
        break;
      case 1:
        if (parent != nullptr && parent->is_object()) {
          for (auto it = parent->begin(); it != parent->end(); ++it) {
            if (&*it == node) {
              parent->erase(it.key());
              break;
            }
          }
        } else if (parent != nullptr && parent->is_array()) {
          parent->push_back(*node);  // an element twice
        }
        break;
      case 2:
        if (node->is_object()) (*node)[kKeys[random.Below(std::size(kKeys))]] = SomeValue(random, original);
        break;
      default:
        if (parent != nullptr && parent->is_array()) parent->push_back(SomeValue(random, original));
        break;
    }
  }
  std::string text = fixture.dump(-1, ' ', false, json::error_handler_t::replace);
  if (random.Percent(25)) {
    for (std::size_t edits = 1 + random.Below(3); edits > 0 && !text.empty(); --edits) {
      const std::size_t at = random.Below(text.size());
      static constexpr char kCharacters[] = "{}[]\",:0-9eE.\\ nul";
      switch (random.Below(3)) {
        case 0:
          text.erase(at, 1 + random.Below(4));
          break;
        case 1:
          text.insert(at, 1, kCharacters[random.Below(sizeof kCharacters - 1)]);
          break;
        default:
          text[at] = kCharacters[random.Below(sizeof kCharacters - 1)];
          break;
      }
    }
  }
  return text;
}

TEST(MutatedFixtureTest, EachFixtureIsBuiltWholeOrRefusedAsAFixtureError) {
  ScratchFolder folder;
  WriteBytes(folder / "attachment.bin", std::string(5000, '\x42'));
  json seed = SeedFixture();
  seed["documents"][0]["items"][5]["embedded"].push_back(
      {{"name", "from a file"}, {"file", "attachment.bin"}});

  const MutationPlan plan = testing::PlanMutations("mutated fixtures", 20260002, 200);
  int built = 0;
  for (int round = 0; round < plan.rounds; ++round) {
    const std::string replay = plan.Replay(round);
    SCOPED_TRACE(replay);
    MutationRandom random(plan.RoundSeed(round));
    const std::string text = MutateFixture(seed, random);
    const auto store = folder / "built.nsf";
    std::filesystem::remove(store);
    try {
      BuildStoreFromText(text, store, folder.path());
    } catch (const FixtureError& error) {
      EXPECT_EQ(std::string(error.what()).find('\n'), std::string::npos) << error.what();
      EXPECT_FALSE(std::filesystem::exists(store)) << "a refused fixture left a store; " << replay;
      continue;
    } catch (const std::exception& error) {
      ADD_FAILURE() << "not a FixtureError but " << typeid(error).name() << ": " << error.what() << "\n"
                    << text;
      break;
    }
    ++built;
    // What was accepted reads back whole: every operation works, and its dump builds the same store.
    ScratchFolder extracted;
    ReadEverything(
        *testing::OpenStore(store), extracted.path(),
        [&](const std::function<void()>& call) {
          try {
            call();
          } catch (const std::exception& error) {
            ADD_FAILURE() << error.what() << " in a store built from\n" << text;
          }
        },
        kItemNames);
    const std::string dump = DumpStoreText(store);
    BuildStoreFromText(dump, folder / "again.nsf", folder.path());
    EXPECT_EQ(DumpStoreText(folder / "again.nsf"), dump) << text;
    if (::testing::Test::HasFailure()) break;
  }
  std::cout << built << " of " << plan.rounds << " mutated fixtures were built" << std::endl;
  // The mutations must leave enough fixtures whole for the second half to mean something.
  EXPECT_GT(built, plan.rounds / 10) << built << " of " << plan.rounds << " built";
}

}  // namespace
}  // namespace mailshift::standin
