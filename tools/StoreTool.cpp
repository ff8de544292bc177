// mailshift-store: builds, dumps, summarizes and samples stand-in mail stores.
//   mailshift-store build FIXTURE.json OUT
//   mailshift-store dump DB
//   mailshift-store summary DB
//   mailshift-store sample OUT [--documents N] [--folders N] [--seed S] [--mixed]
// A sample holds at most 1,000,000 documents and 100,000 user folders.
// Exit codes: 0 done; 1 a file could not be read or written; 2 a bad fixture or command line.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <iostream>
#include <stdexcept>
#include <string>

#include "notes/NotesObjects.h"
#include "platform/standin/StoreFixture.h"

namespace {

constexpr int kDone = 0;
constexpr int kFileFailure = 1;
constexpr int kBadInput = 2;

int Report(const std::string& message, int code) {
  std::cerr << "mailshift-store: " << message << "\n";
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  namespace standin = mailshift::standin;
  CLI::App app{
      "Builds, dumps and samples the stand-in mail stores (.nsf files read by the stand-in Notes client)."};
  app.require_subcommand(1);

  std::string fixture, out, db;
  auto* build = app.add_subcommand("build", "Build a store from a fixture (JSON)");
  build->add_option("FIXTURE", fixture, "Fixture file")->required();
  build->add_option("OUT", out, "Store file to write")->required();

  auto* dump = app.add_subcommand("dump", "Print a store as a fixture (JSON)");
  dump->add_option("DB", db, "Store file")->required();

  auto* summary =
      app.add_subcommand("summary", "Print a store's title and its views with their entry counts");
  summary->add_option("DB", db, "Store file")->required();

  standin::SampleOptions sample;
  auto* sampleCommand = app.add_subcommand("sample", "Write a realistic sample mailbox");
  sampleCommand->add_option("OUT", out, "Store file to write")->required();
  const auto most = [](std::int64_t limit) { return " (0 to " + std::to_string(limit) + ")"; };
  sampleCommand
      ->add_option("--documents", sample.documents,
                   "Number of documents" + most(standin::SampleOptions::kMostDocuments))
      ->capture_default_str()
      ->check(CLI::Range(std::int64_t{0}, standin::SampleOptions::kMostDocuments));
  sampleCommand
      ->add_option("--folders", sample.folders,
                   "Number of user folders" + most(standin::SampleOptions::kMostFolders))
      ->capture_default_str()
      ->check(CLI::Range(std::int64_t{0}, standin::SampleOptions::kMostFolders));
  sampleCommand->add_option("--seed", sample.seed, "Seed; the same seed gives the same mailbox")
      ->capture_default_str();
  sampleCommand->add_flag(
      "--mixed", sample.mixedBodies,
      "Every third mail shows a 40 KB picture, stored as MIME or as rich text with its conversion");

  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& error) {
    if (error.get_exit_code() == 0) return app.exit(error);  // --help
    return Report(std::string(error.what()) + " (see --help)", kBadInput);
  }

  try {
    if (*build) {
      standin::BuildStoreFromFile(fixture, out);
    } else if (*dump) {
      std::cout << standin::DumpStoreText(db);
    } else if (*summary) {
      std::cout << standin::SummarizeStore(db);
    } else if (*sampleCommand) {
      standin::WriteSampleStore(out, sample);
    }
    std::cout.flush();
    if (!std::cout) return Report("cannot write the output", kFileFailure);
    return kDone;
  } catch (const standin::FixtureError& error) {
    return Report(fixture + ": " + error.what(), kBadInput);
  } catch (const std::invalid_argument& error) {
    return Report(error.what(), kBadInput);
  } catch (const std::exception& error) {
    return Report(error.what(), kFileFailure);
  }
}
