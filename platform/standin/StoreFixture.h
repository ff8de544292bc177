// Building stand-in mail stores from fixtures, and reading them back as fixtures: the format of
// docs/store-format.md ("Fixtures"). For tests of every module and for the tool mailshift-store.
#pragma once

#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <stdexcept>
#include <string>
#include <string_view>

namespace mailshift::standin {

// A fixture that cannot be built. what() is "place: problem", e.g.
// "documents[3].items[1].datetime[0]: not a date-time"; the place is "" for the whole fixture.
class FixtureError : public std::runtime_error {
 public:
  FixtureError(std::string place, const std::string& problem);
  const std::string& place() const { return place_; }

 private:
  std::string place_;
};

// Builds the store file `store` from a fixture; "file" entries are read relative to `baseFolder`
// (the current folder when empty) and must name a file inside it: no absolute path, no "..", no
// symbolic link leading out (a FixtureError otherwise).
// Throws FixtureError for a fixture that breaks the format and std::runtime_error when a file
// cannot be read or written. On any failure no store file is left and an existing one is kept.
void BuildStore(const nlohmann::json& fixture, const std::filesystem::path& store,
                const std::filesystem::path& baseFolder = {});
// The same from fixture text; text that is not JSON is a FixtureError.
void BuildStoreFromText(std::string_view fixtureText, const std::filesystem::path& store,
                        const std::filesystem::path& baseFolder = {});
// The same from a fixture file; "file" entries are read relative to the fixture's folder. A
// fixture file that cannot be read is a FixtureError too.
void BuildStoreFromFile(const std::filesystem::path& fixtureFile, const std::filesystem::path& store);

// The store as a fixture, with every optional key written out ("size", "has_embedded", "type";
// "count" only when the store holds one; attachment bytes as "base64"). Building the result
// gives back the same store. Throws std::runtime_error when the file is not a readable store.
nlohmann::json DumpStore(const std::filesystem::path& store);
// DumpStore as indented JSON text, ending with a line break.
std::string DumpStoreText(const std::filesystem::path& store);

// What the stand-in Notes client sees in a store: the title, then one line per view in stored
// order with "folder" or "view", its entry count and its name. Throws notes::NotesError.
std::string SummarizeStore(const std::filesystem::path& store);

struct SampleOptions {
  // The most a sample holds: a million documents make a store of about 3 GB; beyond that the
  // plan of the mailbox alone would take gigabytes of memory.
  static constexpr std::int64_t kMostDocuments = 1'000'000;
  static constexpr std::int64_t kMostFolders = 100'000;

  std::int64_t documents = 600;
  std::int64_t folders = 14;  // user folders
  std::uint64_t seed = 1;
  // Every third mail document's body holds a 40 KB picture shown inline: mail stored as MIME
  // (text, HTML and the picture), or rich text with its conversion to the same. Everything else
  // is as in the plain sample.
  bool mixedBodies = false;
};

// Writes a realistic mailbox; the same options give the same store. See docs/store-format.md.
// Throws std::invalid_argument for numbers below 0 or beyond the limits of SampleOptions.
void WriteSampleStore(const std::filesystem::path& store, const SampleOptions& options = {});

}  // namespace mailshift::standin
