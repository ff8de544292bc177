#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "export/NamesTable.h"
#include "export/tests/RecordingExport.h"

namespace mailshift::mail {
namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;

// The message of the error a table's text is refused with; "" when it is taken.
std::string Refusal(const std::string& text) {
  try {
    NamesTable::FromText(text);
    return {};
  } catch (const NamesTableError& error) {
    return error.what();
  }
}

TEST(NamesTable, BrokenLinesAreRefusedWithTheirLineNumbers) {
  struct Case {
    std::string text;
    std::string refusal;
  };
  const std::string control = ": a name or an address holds a control character (a tab, a line break, NUL)";
  const std::vector<Case> cases{
      {"Hal/Org,hal@x.example\r\nBob/Org,bob@x.example\r\n", ""},
      {"Hal/Org,hal@x.example\nBob/Org,bob@x\r.example\n", "line 2" + control},
      {"Hal/Org,hal@x.example\nBob/Org,bob@x\0.example\n"s, "line 2" + control},
      {"Hal/Org,hal@x.example\tBcc: all@x.example\n", "line 1" + control},
      {"Hal\x1B/Org,hal@x.example\n", "line 1" + control},
      {"\"Hal\nBob/Org\",hal@x.example\n", "line 1: a quoted field is not closed"},
      {"Hal/Org,hal@x.example\nhal/org,other@x.example\n",
       "line 2: the name \"hal/org\" is given on line 1 already"},
      {"CN=Hal/O=Org,hal@x.example\n\nHal/Org@Domain,other@x.example\n",
       "line 3: the name \"Hal/Org@Domain\" is given on line 1 already"},
  };
  for (const Case& c : cases) EXPECT_EQ(Refusal(c.text), c.refusal) << c.text;
}

// Only a plain file is read, without waiting on a pipe and not beyond a limit.
TEST(NamesTable, OnlyAPlainFileOfAReasonableSizeIsRead) {
  testing::ScratchFolder scratch;
  const std::string fine = scratch.path() + "/names.csv";
  std::ofstream(fine, std::ios::binary) << "Hal/Org,hal@x.example\r\n";
  EXPECT_EQ(NamesTable::FromFile(fine).AddressOf("Hal/Org"), "hal@x.example");

  const std::string pipe = scratch.path() + "/pipe.csv";
  ASSERT_EQ(mkfifo(pipe.c_str(), 0600), 0);
  const std::string large = scratch.path() + "/large.csv";
  std::ofstream(large, std::ios::binary) << "Hal/Org,hal@x.example\r\n";
  fs::resize_file(large, 65 * 1024 * 1024);  // sparse: no time spent writing it
  struct Case {
    std::string path;
    std::string refusal;
  };
  const std::string notPlain = "the names table is no plain file that can be read";
  for (const Case& c : std::vector<Case>{{pipe, notPlain},
                                         {"/dev/zero", notPlain},
                                         {scratch.path(), notPlain},
                                         {scratch.path() + "/missing.csv", notPlain},
                                         {large, "the names table is larger than 64 MB"}}) {
    try {
      NamesTable::FromFile(c.path);
      ADD_FAILURE() << c.path << " was read";
    } catch (const NamesTableError& error) {
      EXPECT_EQ(std::string(error.what()), c.refusal) << c.path;
    }
  }
}

}  // namespace
}  // namespace mailshift::mail
