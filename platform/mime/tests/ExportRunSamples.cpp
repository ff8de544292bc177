// Exports a database of varied documents (held in memory) through the whole export run, the
// message writer and the composer, checks the output tree, the log and the closing message,
// and writes a manifest of what each message file must hold, for an independent parser to compare
// (export/tests/check_eml.py).
//
//   export_run_samples OUTPUT_FOLDER
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <memory>
#include <nlohmann/json.hpp>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <variant>
#include <vector>

#include "export/ComponentItemWriter.h"
#include "export/ExportPlan.h"
#include "notes/testing/MemoryNotes.h"
#include "platform/mime/MailComposer.h"
#include "platform/mime/tests/EmlManifest.h"
#include "platform/mime/tests/TestFiles.h"

namespace {

using nlohmann::json;
namespace fs = std::filesystem;
using mailshift::platform::testing::ReadFile;
using namespace mailshift::manifest;
using namespace mailshift;
using notes::testing::MemoryDocument;
using notes::testing::MemoryEmbedded;

struct Attachment {
  std::string name;  // the name the message must carry
  std::string bytes;
};

// What one message file must hold.
struct Sample {
  std::string label;
  std::string folder;   // output folder
  std::string subject;  // as the message carries it
  std::vector<Expected> from, to, cc, bcc;
  std::int64_t when = 0;
  std::string body;
  std::vector<Attachment> attachments;
};

// What a message whose body is sent as MIME must hold besides its text: the HTML and the
// pictures it shows.
struct InlinePicture {
  std::string contentId;
  std::string type;
  std::string bytes;
};
struct BodyExtras {
  std::string html;
  std::vector<InlinePicture> pictures;
};

MemoryEmbedded File(const std::string& name, const std::string& bytes, bool failExtract = false) {
  return MemoryEmbedded{name, notes::kFileAttachmentType, bytes, failExtract};
}

// The database and, for each document, what its message file must hold.
struct Mailbox {
  notes::testing::MemoryNotesClient client;
  notes::testing::MemoryDatabase* database = nullptr;
  std::vector<Sample> samples;
  std::map<std::string, BodyExtras> extras;  // by sample label

  Mailbox() {
    database = &client.AddDatabase("/data/mail.nsf");
    database->title = "Ann's Mail: 2008/2009";
    for (const char* view : {"($Inbox)", "($Drafts)", "($Sent)", "($Follow-Up)", "($JunkMail)", "($Trash)",
                             "Projects", "Projects\\2008", " Spaced "}) {
      database->AddView(view, true);
    }
  }

  void Add(const std::string& view, MemoryDocument document, Sample sample) {
    offsets[sample.label] = DateOffset(document, view);
    for (auto& candidate : database->views) {
      if (candidate.name == view) candidate.documents.push_back(database->AddDocument(std::move(document)));
    }
    samples.push_back(std::move(sample));
  }
  // The offset of the date the message is written with: the one its date item was recorded with.
  static std::int32_t DateOffset(const MemoryDocument& document, const std::string& view) {
    const std::string preview = view == "($Drafts)"     ? "$Revisions"
                                : view == "($JunkMail)" ? "DeliveredDate"
                                                        : "";
    for (const std::string& name : {std::string("PostedDate"), preview, std::string("DeliveredDate")}) {
      for (const auto& item : document.items) {
        if (item.name != name || item.values.empty()) continue;
        if (const auto* date = std::get_if<DateTime>(&item.values.front())) return date->utcOffsetMinutes;
      }
    }
    return document.created.utcOffsetMinutes;
  }

  std::map<std::string, std::int32_t> offsets;  // by label

  void Add(const std::string& view, MemoryDocument document, Sample sample, BodyExtras bodyExtras) {
    extras[sample.label] = std::move(bodyExtras);
    Add(view, std::move(document), std::move(sample));
  }
};

using notes::testing::MemoryMimeEntity;

MemoryMimeEntity Multipart(const std::string& subType, std::vector<MemoryMimeEntity> children) {
  return {"multipart",
          subType,
          "Content-Type: multipart/" + subType + "; boundary=\"b-" + subType + "\"\r\n",
          "",
          std::move(children),
          false};
}

// typeParameters follow the media type on its line ("; charset=UTF-8").
MemoryMimeEntity Leaf(const std::string& type, const std::string& subType, const std::string& typeParameters,
                      const std::string& moreHeaders, const std::string& content) {
  return {type,    subType, "Content-Type: " + type + "/" + subType + typeParameters + "\r\n" + moreHeaders,
          content, {},      false};
}

// Mail as sent: MIME stored whole, with its HTML, a picture it shows and an attachment, and a
// file attached outside the body; rich text whose conversion gives HTML and a picture; rich text
// that cannot be converted.
void AddMimeBodies(Mailbox& box) {
  const std::string photo = RandomBytes(3000, 7);
  const std::string terms = RandomBytes(2000, 8);
  // Non-ASCII text shows whether each part keeps its charset.
  const std::string photoText =
      "See the photo \xE2\x80\x93 Gr\xC3\xBC\xC3\x9F"
      "e:\r\n";
  const std::string html =
      "<p>See the <b>photo</b> \xE2\x80\x93 Gr\xC3\xBC\xC3\x9F"
      "e:</p><img src=\"cid:photo1@cam.example\">";
  MemoryDocument internet;
  internet.Text("Subject", {"Launch photos"})
      .Text("From", {"pat@photo.example"})
      .Date("PostedDate", DateTime{1300000000, 0})
      .Text("Body", {photoText});
  internet.mimeBody = Multipart(
      "mixed",
      {Multipart("related",
                 {Multipart("alternative", {Leaf("text", "plain", "; charset=UTF-8", "", photoText),
                                            Leaf("text", "html", ";\r\n charset=\"utf-8\"", "", html)}),
                  Leaf("image", "png", "",
                       "Content-ID: <photo1@cam.example>\r\nContent-Disposition: inline;\r\n "
                       "filename=\"photo.png\"\r\n",
                       photo)}),
       Leaf("application", "pdf", "", "Content-Disposition: attachment; filename=\"terms.pdf\"\r\n", terms)});
  internet.filesOutsideBody = {File("minutes.txt", "minutes of the launch")};
  box.Add("($Inbox)", std::move(internet),
          Sample{"MIME kept whole: HTML, an inline picture, an attachment part and a file outside the body",
                 "Inbox",
                 "Launch photos",
                 {{"", "pat@photo.example"}},
                 {},
                 {},
                 {},
                 1300000000,
                 photoText,
                 {{"terms.pdf", terms}, {"minutes.txt", "minutes of the launch"}}},
          BodyExtras{html, {{"photo1@cam.example", "image/png", photo}}});

  const std::string chart = RandomBytes(1500, 9);
  const std::string plan = RandomBytes(800, 10);
  const std::string richHtml = "<p>Hello <i>team</i>, the plan:</p><img src=cid:chart.gif@notes>";
  MemoryDocument rich;
  rich.Text("Subject", {"Plan with chart"})
      .Text("From", {"lee@corp.example"})
      .Date("PostedDate", DateTime{1300003600, 0})
      .Body("Hello team, the plan:", {File("plan.ods", plan)});
  rich.convertedBody = Multipart(
      "mixed", {Multipart("related",
                          {Multipart("alternative", {Leaf("text", "plain", "; charset=UTF-8", "",
                                                          "Hello team, the plan:\r\n"),
                                                     Leaf("text", "html", "; charset=UTF-8", "", richHtml)}),
                           Leaf("image", "gif", "", "Content-ID: <chart.gif@notes>\r\n", chart)}),
                Leaf("application", "octet-stream", "",
                     "Content-Disposition: attachment; filename=plan.ods\r\n", plan)});
  box.Add("($Inbox)", std::move(rich),
          Sample{"rich text converted: text, HTML and its picture; the attachment once",
                 "Inbox",
                 "Plan with chart",
                 {{"", "lee@corp.example"}},
                 {},
                 {},
                 {},
                 1300003600,
                 "Hello team, the plan:\r\n",
                 {{"plan.ods", plan}}},
          BodyExtras{richHtml, {{"chart.gif@notes", "image/gif", chart}}});

  MemoryDocument old;
  old.Text("Subject", {"From an old client"})
      .Text("From", {"old@corp.example"})
      .Date("PostedDate", DateTime{1300007200, 0})
      .Body("Plain as it was");
  old.cannotConvert = true;
  box.Add("($Inbox)", std::move(old),
          Sample{"rich text that cannot be converted keeps its plain text",
                 "Inbox",
                 "From an old client",
                 {{"", "old@corp.example"}},
                 {},
                 {},
                 {},
                 1300007200,
                 "Plain as it was",
                 {}});
}

void FillMailbox(Mailbox& box) {
  const std::string figures = RandomBytes(5000, 1);
  const std::string report = RandomBytes(300000, 2);
  box.Add("($Inbox)",
          MemoryDocument()
              .Text("Subject", {"Quarterly report"})
              .Text("From", {"John Doe/Org"})
              .Text("INetFrom", {"john@corp.example"})
              .Text("SendTo", {"Ann Lee/Org", "Bob Ray/Org"})
              .Text("InetSendTo", {"ann@corp.example", "bob@corp.example"})
              .Text("CopyTo", {"Carl/Org", "Dana/Org"})
              .Text("InetCopyTo", {".", "dana@corp.example"})
              .Text("BlindCopyTo", {"Eve/Org"})
              .Text("InetBlindCopyTo", {"eve@corp.example"})
              .Text("$MessageID", {"<OF1A2B3C4D.5E6F7081-ON85257C5A@corp.example>"})
              .Text("$InReplyTo", {"<plan.2008@corp.example>"})
              .Text("$References", {"<kickoff.2008@corp.example>", "<plan.2008@corp.example>"})
              .Text("DeliveryPriority", {"H"})
              .Text("Categories", {"Reports", "Q4, 2008",
                                   "Gr\xC3\xBC\xC3\x9F"
                                   "e"})
              .Date("PostedDate", DateTime{1225895400, 60})
              .Body("Please find the figures attached.\r\n  ",
                    {File("plan.xls", figures), File("report.pdf", report)}),
          Sample{"Internet addresses preferred, two attachments",
                 "Inbox",
                 "Quarterly report",
                 {{"John Doe/Org", "john@corp.example"}},
                 {{"Ann Lee/Org", "ann@corp.example"}, {"Bob Ray/Org", "bob@corp.example"}},
                 {{"Carl/Org", ""}, {"Dana/Org", "dana@corp.example"}},
                 {{"Eve/Org", "eve@corp.example"}},
                 1225895400,
                 "Please find the figures attached.\r\n",
                 {{"plan.xls", figures}, {"report.pdf", report}}});
  box.Add("($Inbox)",
          MemoryDocument()
              .Text("Subject", {"Re: Q1/Q2 report?"})
              .Text("From", {"Ann Lee/Org"})
              .Text("INetFrom", {"."})
              .Text("SendTo", {"John Doe/Org"})
              .Date("PostedDate", DateTime{1277985600, 120})
              .Body("Thanks."),
          Sample{"Notes names kept where no Internet address is known; summer time",
                 "Inbox",
                 "Re: Q1/Q2 report?",
                 {{"Ann Lee/Org", ""}},
                 {{"John Doe/Org", ""}},
                 {},
                 {},
                 1277985600,
                 "Thanks.",
                 {}});
  box.Add("($Inbox)",
          MemoryDocument()
              .Text("Subject", {"Gr\xC3\xBC\xC3\x9F"
                                "e aus M\xC3\xBCnchen \xE2\x80\x93 \xE6\x97\xA5\xE6\x9C\xAC"})
              .Text("From", {"J\xC3\xBCrgen M\xC3\xBCller <juergen@example.de>"})
              .Text("SendTo", {"ann@corp.example"})
              .Date("PostedDate", DateTime{1233360000, 0})
              .Body("Gr\xC3\xBC\xC3\x9F"
                    "e,\r\nStra\xC3\x9F"
                    "e",
                    {File("Bericht f\xC3\xBCr M\xC3\xA4rz.pdf", "pdf bytes"), File("same.txt", "first"),
                     File("same.txt", "second")}),
          Sample{"non-ASCII texts; two attachments of one name",
                 "Inbox",
                 "Gr\xC3\xBC\xC3\x9F"
                 "e aus M\xC3\xBCnchen \xE2\x80\x93 \xE6\x97\xA5\xE6\x9C\xAC",
                 {{"J\xC3\xBCrgen M\xC3\xBCller", "juergen@example.de"}},
                 {{"", "ann@corp.example"}},
                 {},
                 {},
                 1233360000,
                 "Gr\xC3\xBC\xC3\x9F"
                 "e,\r\nStra\xC3\x9F"
                 "e",
                 {{"Bericht f\xC3\xBCr M\xC3\xA4rz.pdf", "pdf bytes"},
                  {"same.txt", "first"},
                  {"same.txt", "second"}}});
  box.Add("($Inbox)",
          MemoryDocument()
              .Text("Subject", {"Hostile names"})
              .Text("From", {"mallory@example.com"})
              .Date("PostedDate", DateTime{946684799, 0})
              .Body("", {File("../../escape.txt", "1"),
                         File("C:\\temp\\x.doc", "2"),
                         File("..", "3"),
                         File("broken.bin", "never", true),
                         {"link", 1453, "", false}}),
          Sample{"attachment names reduced to plain names; a failed extraction leaves the rest",
                 "Inbox",
                 "Hostile names",
                 {{"", "mallory@example.com"}},
                 {},
                 {},
                 {},
                 946684799,
                 "",
                 {{"escape.txt", "1"}, {"x.doc", "2"}, {"__", "3"}}});
  box.Add(
      "($Inbox)",
      MemoryDocument()
          .Text("Subject", {"   "})
          .Text("From", {"a@example.com"})
          .Date("PostedDate", DateTime{1300000000, 0}),
      Sample{
          "a subject of spaces only", "Inbox", "", {{"", "a@example.com"}}, {}, {}, {}, 1300000000, "", {}});
  box.Add("($Sent)",
          MemoryDocument()
              .Text("Subject", {"Sent with a file"})
              .Text("From", {"ann@corp.example"})
              .Text("SendTo", {"x@example.org"})
              .Date("PostedDate", DateTime{1300000001, 0})
              .Body("sent", {File("a.txt", "sent attachment")}),
          Sample{"Sent Items",
                 "Sent Items",
                 "Sent with a file",
                 {{"", "ann@corp.example"}},
                 {{"", "x@example.org"}},
                 {},
                 {},
                 1300000001,
                 "sent",
                 {{"a.txt", "sent attachment"}}});
  box.Add("($Drafts)",
          MemoryDocument()
              .Text("Subject", {"Unsent draft"})
              .Text("From", {"ann@corp.example"})
              .Text("SendTo", {"Bob Ray/Org"})
              .Body("not yet", {File("draft.txt", "d")}),
          Sample{"Drafts: unsent, dated when it was created",
                 "Drafts",
                 "Unsent draft",
                 {{"", "ann@corp.example"}},
                 {{"Bob Ray/Org", ""}},
                 {},
                 {},
                 1577836800,  // the document's creation date
                 "not yet",
                 {{"draft.txt", "d"}}});
  box.Add(
      "($Trash)",
      MemoryDocument()
          .Text("Subject", {"Old"})
          .Text("From", {"z@example.com"})
          .Date("PostedDate", DateTime{1000000000, 0}),
      Sample{
          "Deleted Items", "Deleted Items", "Old", {{"", "z@example.com"}}, {}, {}, {}, 1000000000, "", {}});
  box.Add("Projects\\2008",
          MemoryDocument()
              .Text("Subject", {"Budget"})
              .Text("From", {"john@corp.example"})
              .Date("PostedDate", DateTime{1200000000, 0})
              .Body("numbers", {File("plan.xls", figures)}),
          Sample{"nested user folder",
                 "Projects-2008",
                 "Budget",
                 {{"", "john@corp.example"}},
                 {},
                 {},
                 {},
                 1200000000,
                 "numbers",
                 {{"plan.xls", figures}}});
  box.Add(" Spaced ",
          MemoryDocument()
              .Text("Subject", {"  padded subject  "})
              .Text("From", {"b@example.com"})
              .Date("PostedDate", DateTime{1200000001, 0})
              .Body("  padded body  "),
          Sample{"a user folder named with spaces around",
                 "Spaced",
                 "padded subject",
                 {{"", "b@example.com"}},
                 {},
                 {},
                 {},
                 1200000001,
                 "padded body",
                 {}});
}

// Passes every call on to the real writer and notes where each message went.
class NotingWriter : public mail::EmailItemWriter {
 public:
  explicit NotingWriter(mail::EmailItemWriter& inner) : inner_(inner) {}
  mail::WriteOutcome CreateEmailItem(const std::string& root, const std::string& folder,
                                     const mail::EmailItem& fields) override {
    const std::string key = folder + "\n" + fields.subject;
    auto outcome = inner_.CreateEmailItem(root, folder, fields);
    if (outcome.written) written[key] = outcome.path;
    return outcome;
  }
  std::map<std::string, std::string> written;  // folder and subject -> file

 private:
  mail::EmailItemWriter& inner_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: export_run_samples OUTPUT_FOLDER\n";
    return 2;
  }
  const fs::path output = fs::absolute(argv[1]);
  fs::remove_all(output);
  const fs::path destination = output / "destination";
  const fs::path temp = output / "temp";
  fs::create_directories(destination);
  fs::create_directories(temp);
  setenv("TMPDIR", temp.c_str(), 1);

  Mailbox box;
  FillMailbox(box);
  AddMimeBodies(box);
  mail::ExportPlan plan;
  plan.databasePath = "/data/mail.nsf";
  plan.title = box.database->title;
  plan.destination = destination.string();
  plan.folders = {"Inbox",   "Drafts",   "Sent",           "Follow-Up", "JunkMail", "Trash",
                  "Folders", "Projects", "Projects\\2008", "Spaced",    "",         ""};

  auto component = platform::CreateMailComposer();
  mail::ComponentItemWriter realWriter(*component);
  NotingWriter writer(realWriter);
  mail::ExportObserver quiet;
  const std::string logPath = (output / "Log.txt").string();
  plan.logPath = logPath;
  const mail::ExportReport result = mail::Export(plan, {box.client, writer}, quiet);

  int failures = 0;
  const auto fail = [&failures](const std::string& what) {
    std::cerr << what << "\n";
    ++failures;
  };
  const fs::path root = destination / "Ann's Mail- 2008-2009";
  if (result.outputRoot != root.string() + "/") fail("output root " + result.outputRoot);
  if (result.end != mail::ExportEnd::Completed) fail("the run did not complete: " + result.failure);
  if (result.messages != static_cast<std::int64_t>(box.samples.size())) {
    fail("messages handed on: " + std::to_string(result.messages));
  }
  if (result.notWritten != 0) fail("messages not written: " + std::to_string(result.notWritten));
  // The one failed extraction, told once: the writer is not handed the file that is not there.
  if (result.attachmentsNotExtracted != 1 || result.incomplete != 0)
    fail("the failed extraction was not reported: " + std::to_string(result.attachmentsNotExtracted) +
         " not extracted, " + std::to_string(result.incomplete) + " in part");
  // The component keeps a spool folder of its own there while it lives.
  component.reset();
  if (!fs::is_empty(temp)) fail("a temporary folder was left behind");

  const std::string log = ReadFile(logPath);
  if (log.find("\tNot extracted : broken.bin : ExtractFile failed\r\n") == std::string::npos) {
    fail("the log does not name the failed extraction");
  }
  if (log.size() < 6 || log.substr(log.size() - 6) != "Done\r\n") fail("the log does not end with Done");
  if (log.find(
          "\tPlain body : the rich text could not be converted to MIME: ConvertToMIME is not a member of "
          "this client\r\n") == std::string::npos) {
    fail("the log does not say why a rich-text body was written as plain text");
  }
  if (log.find("minutes.txt]\r\n") == std::string::npos)
    fail("the log does not list the file outside the body");
  if (!box.client.convertMime) fail("the session's ConvertMIME setting was not restored");
  if (mail::CompletionText(result).find("1 attachment could not be extracted.") == std::string::npos) {
    fail("the closing message does not report the failed extraction");
  }

  json manifest = json::array();
  std::set<std::string> expectedFiles;
  for (const Sample& sample : box.samples) {
    const auto found = writer.written.find(sample.folder + "\n" + sample.subject);
    if (found == writer.written.end()) {
      fail(sample.label + ": no message file");
      continue;
    }
    const std::string& file = found->second;
    expectedFiles.insert(fs::relative(file, root).string());
    const std::int64_t when = sample.when;
    json attachments = json::array();
    for (const auto& attachment : sample.attachments) {
      attachments.push_back({{"name", attachment.name}, {"base64", Base64(attachment.bytes)}});
    }
    manifest.push_back({{"label", sample.label},
                        {"file", file},
                        {"subject", sample.subject},
                        {"from", ToJson(sample.from)},
                        {"to", ToJson(sample.to)},
                        {"cc", ToJson(sample.cc)},
                        {"bcc", ToJson(sample.bcc)},
                        {"date", {{"epoch", when}, {"offset_minutes", box.offsets[sample.label]}}},
                        {"body", sample.body},
                        {"attachments", attachments}});
    if (const auto extra = box.extras.find(sample.label); extra != box.extras.end()) {
      json pictures = json::array();
      for (const auto& picture : extra->second.pictures)
        pictures.push_back(
            {{"cid", picture.contentId}, {"type", picture.type}, {"base64", Base64(picture.bytes)}});
      manifest.back()["html"] = extra->second.html;
      manifest.back()["inline"] = pictures;
    }
  }

  // The tree holds the folders of the run and exactly the message files above.
  std::set<std::string> files;
  std::set<std::string> folders;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    const std::string relative = fs::relative(entry.path(), root).string();
    (entry.is_directory() ? folders : files).insert(relative);
  }
  if (files != expectedFiles) fail("the output tree holds other files than the messages");
  const std::set<std::string> expectedFolders{"Inbox",     "Sent Items",    "Drafts",
                                              "Follow Up", "Junk Mail",     "Deleted Items",
                                              "Projects",  "Projects-2008", "Spaced"};
  if (folders != expectedFolders) fail("the output tree holds other folders than those exported");

  std::ofstream(output / "manifest.json") << manifest.dump(2, ' ', true, json::error_handler_t::strict);
  return failures == 0 ? 0 : 1;
}
