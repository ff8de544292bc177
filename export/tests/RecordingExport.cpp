#include "export/tests/RecordingExport.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "common/TextRules.h"

namespace mailshift::mail::testing {
namespace {

namespace fs = std::filesystem;

bool Contains(const std::vector<std::string>& texts, const std::string& text) {
  return std::find(texts.begin(), texts.end(), text) != texts.end();
}

}  // namespace

void RecordingObserver::Record(std::string event) {
  events.push_back(std::move(event));
  if (onEvent) onEvent(events.back());
}

void RecordingObserver::FolderStarted(const FolderStart& folder) {
  Record((folder.standard ? "Standard=" : "Folder=") + folder.tag + " -> " + folder.outputFolder);
}

void RecordingObserver::DocumentStarted(const DocumentProgress& progress) {
  Record("Document=" + progress.subject + " " + std::to_string(progress.handled) + "/" +
         std::to_string(progress.count));
}

void RecordingObserver::DocumentHandled(const DocumentProgress& progress) {
  handled.push_back(progress);
  Record("Handled=" + std::to_string(progress.handled) + "/" + std::to_string(progress.count) + " " +
         (progress.skipped   ? "skipped"
          : progress.written ? "written"
                             : "not written"));
}

WriteOutcome RecordingWriter::CreateEmailItem(const std::string& destinationRoot, const std::string& folder,
                                              const EmailItem& fields) {
  WriterCall call{destinationRoot, folder,      fields.from, fields.subject,     fields.to, fields.cc,
                  fields.bcc,      fields.date, fields.body, fields.attachments, {}};
  for (const auto& path : fields.origin.attachmentFiles) {
    call.handedFiles.push_back(fs::path(path).filename().string());
    std::error_code error;
    if (!fs::exists(path, error)) continue;
    call.attachedFiles.emplace_back(fs::path(path).filename().string(), ReadFile(path));
    fs::remove(path, error);
  }
  const std::string& received = fields.subject;
  call.headers = fields.headers;
  call.withBodyParts = fields.bodyParts.has_value();
  calls.push_back(call);
  // What the writer gives back of the fields, whatever becomes of the message.
  const auto outcome = [&](bool written, std::string path, std::string reason,
                           std::vector<std::string> problems) {
    WriteOutcome result;
    result.written = written;
    result.path = std::move(path);
    result.reason = std::move(reason);
    result.problems = std::move(problems);
    result.cleanedSubject = RemoveNameCharacters(fields.subject);
    result.attachments = fields.attachments.empty() ? std::string() : fields.attachments.substr(1);
    return result;
  };
  if (Contains(throwFor, received)) throw std::runtime_error("the component broke down");
  if (Contains(refuse, received)) return outcome(false, {}, "disk full", {"attaching \"x\": gone"});
  if (!writeFiles) return outcome(true, {}, {}, {});

  const std::string path = destinationRoot + folder + "/" + RemoveNameCharacters(fields.subject) + "." +
                           std::to_string(calls.size()) + fileExtension;
  std::ofstream out(path, std::ios::binary);
  if (!fields.origin.universalId.empty()) out << "X-Notes-UNID: " << fields.origin.universalId << "\n";
  out << "From: " << fields.from << "\nTo: " << fields.to << "\nCc: " << fields.cc << "\nBcc: " << fields.bcc
      << "\nDate: " << fields.date << "\nSubject: " << received << "\n\n"
      << fields.body;
  if (!out) return outcome(false, path, "cannot create " + path, {});
  const auto problems = problemsFor.find(received);
  WriteOutcome written =
      outcome(true, path, {}, problems == problemsFor.end() ? std::vector<std::string>{} : problems->second);
  if (const auto fallbacks = fallbacksFor.find(received); fallbacks != fallbacksFor.end())
    written.fallbacks = fallbacks->second;
  return written;
}

ScratchFolder::ScratchFolder() {
  std::string pattern = (fs::temp_directory_path() / "export-test-XXXXXX").string();
  if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  path_ = pattern;
}

ScratchFolder::~ScratchFolder() {
  std::error_code ignored;
  fs::permissions(path_, fs::perms::owner_all, fs::perm_options::add, ignored);
  fs::remove_all(path_, ignored);
}

ScratchTemporaryFolder::ScratchTemporaryFolder() {
  if (const char* previous = std::getenv("TMPDIR")) previous_ = previous;
  setenv("TMPDIR", folder_.path().c_str(), 1);
}

ScratchTemporaryFolder::~ScratchTemporaryFolder() {
  if (previous_) {
    setenv("TMPDIR", previous_->c_str(), 1);
  } else {
    unsetenv("TMPDIR");
  }
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream content;
  content << in.rdbuf();
  return content.str();
}

std::vector<std::string> TreeBelow(const std::string& root) {
  std::vector<std::string> entries;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    std::string relative = fs::relative(entry.path(), root).string();
    if (entry.is_directory()) relative += "/";
    entries.push_back(relative);
  }
  std::sort(entries.begin(), entries.end());
  return entries;
}

}  // namespace mailshift::mail::testing
