// The shipped sample exported whole, each message read back by GMime and its people counted
// against the items of its document: no real address replaced, no recipient dropped, no name
// missing beside an address.
#include <fcntl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "export/ComponentItemWriter.h"
#include "export/ExportPlan.h"
#include "notes/SessionOrigin.h"
#include "platform/mime/MailComposer.h"
#include "platform/mime/tests/GMimeReading.h"
#include "platform/standin/StandInNotesClient.h"

namespace mailshift {
namespace {

namespace fs = std::filesystem;
using platform::GObjectPtr;

constexpr std::string_view kPlaceholderDomain = "@notes.mailshift.invalid";

struct Mailbox {
  std::string name;
  std::string address;  // lower case; "" for a Notes name's mailbox at the reserved domain
};

std::string Lower(std::string text) {
  std::transform(text.begin(), text.end(), text.begin(),
                 [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c); });
  return text;
}

std::string Trimmed(const std::string& text) {
  const auto first = text.find_first_not_of(' ');
  if (first == std::string::npos) return "";
  return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// What one entry of an item pair must become, by the rule a reader of the items applies: the
// Internet entry where it holds an address, else the Notes entry; an address in angle brackets
// or alone is that address, anything else a Notes name.
struct Expected {
  std::string address;  // lower case; "" for a Notes name without one
  bool named = false;   // a Notes name stands beside it, so the header must show a name
};

std::vector<Expected> ExpectedPeople(const notes::ItemValues& internet, const notes::ItemValues& notesForm) {
  const auto text = [](const notes::ItemValues& values, std::size_t i) {
    return i < values.size() ? Trimmed(notes::ItemValueText(values[i])) : std::string();
  };
  const auto addressIn = [](const std::string& entry) -> std::string {
    const auto open = entry.rfind('<');
    if (open != std::string::npos && entry.back() == '>')
      return entry.substr(open + 1, entry.size() - open - 2);
    if (entry.find('@') != std::string::npos && entry.find('/') == std::string::npos &&
        entry.find(' ') == std::string::npos)
      return entry;
    return "";
  };
  std::vector<Expected> people;
  for (std::size_t i = 0; i < std::max(internet.size(), notesForm.size()); ++i) {
    const std::string inet = text(internet, i);
    const std::string notesEntry = text(notesForm, i);
    const std::string notesAddress = addressIn(notesEntry);
    if (!inet.empty() && inet != ".") {
      people.push_back({Lower(addressIn(inet)), !notesEntry.empty() && notesAddress.empty()});
    } else if (!notesEntry.empty()) {
      people.push_back(
          {Lower(notesAddress), notesAddress.empty() || notesEntry.find('<') != std::string::npos});
    }
  }
  return people;
}

std::vector<Mailbox> Mailboxes(InternetAddressList* list) {
  std::vector<Mailbox> mailboxes;
  if (list == nullptr) return mailboxes;
  for (int i = 0; i < internet_address_list_length(list); ++i) {
    InternetAddress* address = internet_address_list_get_address(list, i);
    const char* name = internet_address_get_name(address);
    std::string mailbox;
    if (INTERNET_ADDRESS_IS_MAILBOX(address)) {
      const char* addr = internet_address_mailbox_get_addr(INTERNET_ADDRESS_MAILBOX(address));
      mailbox = Lower(addr == nullptr ? "" : addr);
    }
    if (mailbox.ends_with(kPlaceholderDomain)) mailbox.clear();
    mailboxes.push_back({name == nullptr ? "" : name, mailbox});
  }
  return mailboxes;
}

struct StoredDocument {
  std::map<std::string, notes::ItemValues> items;
  notes::ItemValues Item(const std::string& name) const {
    const auto found = items.find(name);
    return found == items.end() ? notes::ItemValues{} : found->second;
  }
};

// Every document of the store's views by its universal id, with the items that name people.
std::map<std::string, StoredDocument> ReadStore(const fs::path& store) {
  standin::StandInNotesClient client;
  const auto database = client.CreateObject(notes::kDominoSessionClass)->GetDatabase("", store.string());
  std::map<std::string, StoredDocument> documents;
  for (const auto& view : database->Views()) {
    for (auto document = view->GetFirstDocument(); document; document = view->GetNextDocument(document)) {
      if (documents.contains(document->UniversalID())) continue;
      StoredDocument& stored = documents[document->UniversalID()];
      for (const char* item : {"From", "INetFrom", "SendTo", "InetSendTo", "CopyTo", "InetCopyTo",
                               "BlindCopyTo", "InetBlindCopyTo"}) {
        if (document->hasitem(item)) stored.items[item] = document->GetItemValue(item);
      }
    }
  }
  return documents;
}

TEST(SamplePeople, EveryRecipientOfTheShippedSampleArrivesWithItsAddressAndName) {
  platform::EnsureGMimeInitialised();
  const fs::path store = MAILSHIFT_SAMPLE_STORE;
  const fs::path work = fs::temp_directory_path() / ("mailshift-sample-people-" + std::to_string(::getpid()));
  fs::remove_all(work);
  fs::create_directories(work / "out");

  mail::ExportPlan plan;
  plan.databasePath = store.string();
  plan.title = "Sample";
  plan.destination = (work / "out").string();
  plan.folders = {"Inbox", "Drafts", "Sent", "Follow-Up", "JunkMail", "Trash"};
  plan.logPath = (work / "Log.txt").string();
  standin::StandInNotesClient client;
  auto component = platform::CreateMailComposer();
  mail::ComponentItemWriter writer(*component);
  mail::ExportObserver quiet;
  const mail::ExportReport report = mail::Export(plan, {client, writer}, quiet);
  ASSERT_EQ(report.end, mail::ExportEnd::Completed) << report.failure;

  const auto documents = ReadStore(store);
  std::size_t messages = 0;
  std::size_t recipients = 0;
  std::size_t placeholders = 0;
  for (const auto& entry : fs::recursive_directory_iterator(work / "out")) {
    if (entry.path().extension() != ".eml") continue;
    SCOPED_TRACE(entry.path().filename().string());
    GObjectPtr<GMimeStream> stream(g_mime_stream_fs_open(entry.path().c_str(), O_RDONLY, 0, nullptr));
    ASSERT_NE(stream, nullptr);
    GObjectPtr<GMimeParser> parser(g_mime_parser_new_with_stream(stream.get()));
    GObjectPtr<GMimeMessage> message(g_mime_parser_construct_message(parser.get(), nullptr));
    ASSERT_NE(message, nullptr);
    const char* unid = g_mime_object_get_header(GMIME_OBJECT(message.get()), "X-Notes-UNID");
    ASSERT_NE(unid, nullptr);
    const auto document = documents.find(unid);
    ASSERT_NE(document, documents.end());
    ++messages;

    const struct {
      const char* internet;
      const char* notesForm;
      InternetAddressList* header;
    } lists[] = {{"INetFrom", "From", g_mime_message_get_from(message.get())},
                 {"InetSendTo", "SendTo", g_mime_message_get_to(message.get())},
                 {"InetCopyTo", "CopyTo", g_mime_message_get_cc(message.get())},
                 {"InetBlindCopyTo", "BlindCopyTo", g_mime_message_get_bcc(message.get())}};
    for (const auto& list : lists) {
      SCOPED_TRACE(list.notesForm);
      notes::ItemValues internet = document->second.Item(list.internet);
      notes::ItemValues notesForm = document->second.Item(list.notesForm);
      if (std::string_view(list.notesForm) == "From") {
        internet.resize(std::min<std::size_t>(internet.size(), 1));
        notesForm.resize(std::min<std::size_t>(notesForm.size(), 1));
      }
      const std::vector<Expected> expected = ExpectedPeople(internet, notesForm);
      const std::vector<Mailbox> got = Mailboxes(list.header);
      ASSERT_EQ(got.size(), expected.size());
      for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_EQ(got[i].address, expected[i].address) << "entry " << i;
        if (expected[i].named) {
          EXPECT_FALSE(got[i].name.empty()) << "entry " << i << " shows no name";
        }
        if (got[i].address.empty()) ++placeholders;
      }
      recipients += got.size();
    }
  }
  // The whole sample was read: every message of the run, and people enough to tell.
  EXPECT_EQ(static_cast<std::int64_t>(messages), report.messages);
  EXPECT_GT(messages, 400u);
  EXPECT_GT(recipients, 1000u);
  EXPECT_GT(placeholders, 0u);  // the people without an address are in the sample too
  component.reset();
  fs::remove_all(work);
}

}  // namespace
}  // namespace mailshift
