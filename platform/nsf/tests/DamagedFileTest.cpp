// A damaged database gives a refusal or a partial result, never a crash: bits are flipped all
// over copies of the samples and every document is read through the object model.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "platform/nsf/NsfFuzzRead.h"

namespace mailshift::nsf {
namespace {

std::vector<std::uint8_t> ReadAll(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
}

TEST(DamagedFile, FlippedBitsGiveRefusalsOrPartialResults) {
  const auto scratch = std::filesystem::temp_directory_path() /
                       ("nsf-damaged-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()));
  std::filesystem::create_directories(scratch);
  std::mt19937 random(20261208);
  std::size_t refused = 0;
  std::size_t read = 0;
  for (const char* name : {"knowndt.nsf", "signeddoc.nsf", "sample.nsf"}) {
    const std::vector<std::uint8_t> original = ReadAll(std::string(MAILSHIFT_NSF_SAMPLES) + "/" + name);
    ASSERT_FALSE(original.empty());
    for (int round = 0; round < 40; ++round) {
      std::vector<std::uint8_t> damaged = original;
      // Early rounds hit the header and metadata, where one bit matters most.
      const std::size_t reach = round < 20 ? std::min<std::size_t>(damaged.size(), 0x50000) : damaged.size();
      for (int flips = 0; flips < 1 + round % 4; ++flips) {
        const std::size_t at = std::uniform_int_distribution<std::size_t>(0, reach - 1)(random);
        damaged[at] ^= static_cast<std::uint8_t>(1u << std::uniform_int_distribution<int>(0, 7)(random));
      }
      const auto path = scratch / name;
      std::ofstream(path, std::ios::binary)
          .write(reinterpret_cast<const char*>(damaged.data()), static_cast<std::streamsize>(damaged.size()));
      const FuzzReadResult result = ReadEverything(path.string());
      result.opened ? ++read : ++refused;
    }
  }
  std::filesystem::remove_all(scratch);
  EXPECT_GT(read, 0u);
  EXPECT_GT(read + refused, 100u);
}

}  // namespace
}  // namespace mailshift::nsf
