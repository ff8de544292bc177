// Builds a store from a fixture of mail as it was sent (MIME bodies, rich text with its
// conversion, files outside the body, encrypted documents), exports it through the whole run, the
// message writer and the composer over the built-in stand-in, and writes a manifest of what each
// message file must hold, taken from each document's "_expect", for the independent parsers
// (export/tests/check_eml.py, check_eml_gmime) to compare.
//
//   mime_fixture_export FIXTURE OUTPUT_FOLDER
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <nlohmann/json.hpp>
#include <string>

#include "export/ComponentItemWriter.h"
#include "export/ExportPlan.h"
#include "platform/mime/MailComposer.h"
#include "platform/standin/StandInNotesClient.h"
#include "platform/standin/StoreFixture.h"

namespace {

using nlohmann::json;
namespace fs = std::filesystem;
using namespace mailshift;

// Passes every call on to the real writer and notes where each message went.
class NotingWriter : public mail::EmailItemWriter {
 public:
  explicit NotingWriter(mail::EmailItemWriter& inner) : inner_(inner) {}
  mail::WriteOutcome CreateEmailItem(const std::string& root, const std::string& folder,
                                     const mail::EmailItem& fields) override {
    auto outcome = inner_.CreateEmailItem(root, folder, fields);
    if (outcome.written) written[folder + "\n" + fields.subject] = outcome.path;
    return outcome;
  }
  std::map<std::string, std::string> written;  // folder and subject -> file

 private:
  mail::EmailItemWriter& inner_;
};

// The date a message must carry: the instant and the offset its date item was recorded with
// ("2011-03-14T09:00:00-05:00"), never this machine's.
json DateJson(std::int64_t when, const json& document) {
  std::int32_t offset = 0;
  for (const json& item : document.at("items")) {
    if (item.value("name", "") != "PostedDate" || !item.contains("datetime")) continue;
    const std::string text = item.at("datetime").at(0).get<std::string>();
    if (text.size() > 6 && (text[text.size() - 6] == '+' || text[text.size() - 6] == '-')) {
      const std::int32_t minutes =
          std::stoi(text.substr(text.size() - 5, 2)) * 60 + std::stoi(text.substr(text.size() - 2));
      offset = text[text.size() - 6] == '-' ? -minutes : minutes;
    }
  }
  return {{"epoch", when}, {"offset_minutes", offset}};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: mime_fixture_export FIXTURE OUTPUT_FOLDER\n";
    return 2;
  }
  const fs::path fixtureFile = fs::absolute(argv[1]);
  const fs::path output = fs::absolute(argv[2]);
  fs::remove_all(output);
  const fs::path destination = output / "destination";
  const fs::path temp = output / "temp";
  fs::create_directories(destination);
  fs::create_directories(temp);
  setenv("TMPDIR", temp.c_str(), 1);

  json fixture;
  try {
    std::ifstream in(fixtureFile);
    fixture = json::parse(in);
    standin::BuildStoreFromFile(fixtureFile, output / "mail.nsf");
  } catch (const std::exception& error) {
    std::cerr << fixtureFile.string() << ": " << error.what() << "\n";
    return 1;
  }

  mail::ExportPlan plan;
  plan.databasePath = (output / "mail.nsf").string();
  plan.title = fixture.at("title").get<std::string>();
  plan.destination = destination.string();
  plan.folders = {"Inbox", "Drafts", "Sent", "Follow-Up", "JunkMail", "Trash"};
  plan.logPath = (output / "Log.txt").string();

  standin::StandInNotesClient client;
  auto component = platform::CreateMailComposer();
  mail::ComponentItemWriter realWriter(*component);
  NotingWriter writer(realWriter);
  mail::ExportObserver quiet;
  const mail::ExportReport result = mail::Export(plan, {client, writer}, quiet);

  int failures = 0;
  const auto fail = [&failures](const std::string& what) {
    std::cerr << what << "\n";
    ++failures;
  };
  if (result.end != mail::ExportEnd::Completed) fail("the run did not complete: " + result.failure);
  if (result.notWritten != 0) fail("messages not written: " + std::to_string(result.notWritten));

  json manifest = json::array();
  for (const json& document : fixture.at("documents")) {
    if (!document.contains("_expect")) continue;
    const json& expect = document.at("_expect");
    const std::string key =
        expect.at("folder").get<std::string>() + "\n" + expect.at("subject").get<std::string>();
    const auto found = writer.written.find(key);
    if (found == writer.written.end()) {
      fail(expect.at("label").get<std::string>() + ": no message file");
      continue;
    }
    json entry = expect;
    entry.erase("epoch");
    entry.erase("folder");
    entry["file"] = found->second;
    entry.erase("offset_minutes");
    entry["date"] = DateJson(expect.at("epoch").get<std::int64_t>(), document);
    manifest.push_back(std::move(entry));
  }
  if (static_cast<std::int64_t>(manifest.size()) != result.messages)
    fail("the run wrote other messages than the fixture expects");
  component.reset();
  std::ofstream(output / "manifest.json") << manifest.dump(2, ' ', true, json::error_handler_t::strict);
  return failures == 0 ? 0 : 1;
}
