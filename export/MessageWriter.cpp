#include "export/MessageWriter.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <filesystem>
#include <memory>
#include <optional>
#include <system_error>

#include "common/DateText.h"
#include "common/Global.h"
#include "common/TextRules.h"
#include "export/MessageFileName.h"
#include "export/SafeFiles.h"

namespace mailshift::mail {
namespace {

// Draws of N before a clashing name gets a "-k" suffix instead.
constexpr int kMaxNumberDraws = 10;
constexpr std::uint32_t kFirstSuffix = 2;
constexpr std::uint32_t kLastSuffix = 1000000;

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

// Runs one step of the message; a failure is noted and the next step runs all the same.
template <typename Step>
void Attempt(WriteOutcome& outcome, const std::string& what, Step&& step) {
  try {
    step();
  } catch (const std::exception& error) {
    outcome.problems.push_back(what + ": " + error.what());
  }
}

std::size_t FirstCharacterLength(const std::string& text) {
  const auto lead = static_cast<unsigned char>(text.front());
  std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  for (std::size_t i = 1; i < length; ++i) {
    if (i >= text.size() || (static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) return 1;
  }
  return length;
}

// Deletes the extracted file at path when one exists there; a folder is no extracted file.
void DeleteExtractedFile(const std::string& path, WriteOutcome& outcome) {
  if (path.empty()) return;
  const int error = RemoveFile(path);
  if (error == 0 || error == ENOENT || error == EISDIR) return;
  outcome.problems.push_back("deleting the extracted file " + Quoted(path) + ": " + std::strerror(error));
}

struct FileCloser {
  void operator()(std::FILE* file) const {
    if (file != nullptr) std::fclose(file);
  }
};

}  // namespace

std::optional<unsigned long> PassingFileProcess(std::string_view fileName) {
  constexpr std::string_view kStart = ".mailshift-";
  constexpr std::string_view kEnd = ".part";
  if (!fileName.starts_with(kStart) || !fileName.ends_with(kEnd)) return std::nullopt;
  const std::string_view middle =
      fileName.substr(kStart.size(), fileName.size() - kStart.size() - kEnd.size());
  const auto dash = middle.find('-');
  if (dash == 0 || dash == std::string_view::npos || dash > 10) return std::nullopt;
  unsigned long process = 0;
  for (const char digit : middle.substr(0, dash)) {
    if (digit < '0' || digit > '9') return std::nullopt;
    process = process * 10 + static_cast<unsigned long>(digit - '0');
  }
  return process;
}

std::int32_t MessageWriter::DrawFileNumber() { return RandomInRange(1, 40000); }

MessageWriter::MessageWriter(EmailComponent& component, std::string destinationRoot, NumberSource drawNumber,
                             PassingFiles passingFiles)
    : component_(component),
      destinationRoot_(std::move(destinationRoot)),
      drawNumber_(std::move(drawNumber)),
      passingFiles_(passingFiles) {}

WriteOutcome MessageWriter::CreateEmailItem(const std::string& folder, const std::string& from,
                                            std::string& subject, const std::string& to,
                                            const std::string& cc, const std::string& bcc,
                                            const std::string& date, const std::string& body,
                                            std::string& attachments, const MessageOrigin& origin) {
  WriteOutcome outcome;
  std::unique_ptr<MessageRenderer> renderer;
  std::unique_ptr<EmailMessage> message;
  Attempt(outcome, "creating the message", [&] {
    renderer = component_.CreateRenderer();
    message = component_.CreateMessage();
  });
  const auto onMessage = [&](const std::string& what, auto&& step) {
    Attempt(outcome, what, [&] {
      if (message == nullptr) throw EmailError("there is no message object");
      step(*message);
    });
  };
  const auto addRecipients = [&](RecipientKind kind, const std::string& text, const char* what) {
    onMessage(what, [&](EmailMessage& m) {
      if (!m.AddRecipient(kind, text, text))
        throw EmailError("the recipients " + Quoted(text) + " were refused");
    });
  };

  addRecipients(RecipientKind::To, to, "adding the To recipients");
  onMessage("setting the subject", [&](EmailMessage& m) { m.SetSubject(subject); });
  onMessage("setting the body", [&](EmailMessage& m) { m.SetBodyText(body); });
  onMessage("setting the sender", [&](EmailMessage& m) { m.SetSender(from); });
  addRecipients(RecipientKind::Cc, cc, "adding the Cc recipients");
  addRecipients(RecipientKind::Bcc, bcc, "adding the Bcc recipients");

  std::optional<DateTime> when = date.empty() ? std::optional(StartOfLocalDay(Now())) : ParseDateText(date);
  if (when) {
    onMessage("setting the date " + Quoted(date), [&](EmailMessage& m) { m.SetDate(*when); });
  } else {
    outcome.problems.push_back("the date " + Quoted(date) +
                               " could not be read; the message carries the time it was written");
  }

  if (!origin.universalId.empty()) {
    onMessage("giving the message its id", [&](EmailMessage& m) { m.SetUniversalId(origin.universalId); });
  }

  if (!attachments.empty()) attachments.erase(0, FirstCharacterLength(attachments));
  for (const std::string& file : origin.attachmentFiles) {
    onMessage("attaching " + Quoted(file), [&](EmailMessage& m) { m.AddAttachment(file); });
    DeleteExtractedFile(file, outcome);
  }

  subject = RemoveNameCharacters(subject);
  const std::int32_t number = drawNumber_();
  if (message == nullptr || renderer == nullptr) {
    outcome.reason = "the e-mail component gave no message to write";
    return outcome;
  }

  const std::string folderPath = destinationRoot_ + folder + kPathSeparator;
  PassingFile passing;
  std::unique_ptr<std::FILE, FileCloser> file(CreatePassingFile(folderPath, passing, outcome));
  if (file == nullptr) return outcome;
  // A buffer of the writer's own: the stream then does not ask the file system for one, and most
  // messages go to their file in one write.
  if (!fileBuffer_) fileBuffer_ = std::make_unique_for_overwrite<char[]>(kFileBufferBytes);
  std::setvbuf(file.get(), fileBuffer_.get(), _IOFBF, kFileBufferBytes);
  try {
    renderer->Render(*message, file.get());
    if (std::fputs("\r\n", file.get()) == EOF || std::fflush(file.get()) != 0) {
      throw EmailError(std::string("cannot write the file: ") + std::strerror(errno));
    }
    // The file's modification time becomes the message's date, so that file managers sort
    // messages as mail programs do.
    if (when) {
      if (const int error = SetModificationTime(file.get(), when->secondsSinceEpoch)) {
        outcome.problems.push_back("setting the file's time to the message's date: " +
                                   std::string(std::strerror(error)));
      }
    }
    // A named passing file is closed before it takes its own name; an unnamed one stays open
    // until it has one, or it would be gone.
    if (!passing.unnamed && std::fclose(file.release()) != 0)
      throw EmailError(std::string("cannot write the file: ") + std::strerror(errno));
  } catch (const std::exception& error) {
    file.reset();
    outcome.reason = error.what();
    if (!passing.unnamed) RemovePassingFile(passing.name, outcome);
    return outcome;
  }

  const auto giveName = [&](const std::string& name) {
    return passing.unnamed ? folder_.NameUnnamedFile(file.get(), name)
                           : folder_.RenameNoReplace(passing.name, name);
  };
  if (!NameMessageFile(giveName, subject, number, outcome)) {
    file.reset();
    if (!passing.unnamed) RemovePassingFile(passing.name, outcome);
    // Opened again for the next message: the folder may have been removed and made again.
    folder_.Close();
    return outcome;
  }
  if (passing.unnamed && std::fclose(file.release()) != 0) {
    // Its last writes failed after all: the message goes again, as a passing file would.
    outcome.reason = std::string("cannot write the file: ") + std::strerror(errno);
    RemovePassingFile(FilePath(outcome.path).filename().string(), outcome);
    return outcome;
  }
  outcome.written = true;
  return outcome;
}

std::FILE* MessageWriter::CreatePassingFile(const std::string& folderPath, PassingFile& passing,
                                            WriteOutcome& outcome) {
  // The name of a named passing file says which process writes it: see PassingFileProcess.
  const std::string prefix = ".mailshift-" + std::to_string(CurrentProcessNumber()) + "-";
  int error = 0;
  if (folder_.path() != folderPath) {
    error = folder_.Open(folderPath);
    unnamedFilesMissing_ = passingFiles_ == PassingFiles::Named;
  }
  // A folder removed and made again since it was opened is opened again, once.
  bool reopened = error != 0;
  bool unnamedFailed = false;
  while (error == 0) {
    if (!unnamedFilesMissing_ && !unnamedFailed) {
      passing = {{}, true};
      if (std::FILE* file = folder_.CreateUnnamedFile(error)) return file;
      // Any other failure is told by the named way, whose answers say more (a folder removed
      // since it was opened, for one).
      unnamedFilesMissing_ = OpenedFolder::IsNoUnnamedFiles(error);
      unnamedFailed = true;
      error = 0;
    } else {
      passing = {prefix + std::to_string(nextPart_++) + ".part", false};
      if (std::FILE* file = folder_.CreateNewFile(passing.name, error)) return file;
      if (error == EEXIST) error = 0;
    }
    if (error == ENOENT && !reopened) {
      reopened = true;
      error = folder_.Open(folderPath);
    }
  }
  folder_.Close();
  outcome.path = folderPath + passing.name;
  outcome.reason = "cannot create a file in " + folderPath + ": " + std::strerror(error);
  return nullptr;
}

void MessageWriter::RemovePassingFile(const std::string& name, WriteOutcome& outcome) {
  const int error = folder_.Remove(name);
  if (error != 0 && error != ENOENT) {
    outcome.reason += "; the unfinished file " + Quoted(folder_.path() + name) +
                      " could not be removed: " + std::strerror(error);
  }
}

bool MessageWriter::NameMessageFile(const std::function<int(const std::string&)>& giveName,
                                    const std::string& subject, std::int32_t number, WriteOutcome& outcome) {
  const std::string& folderPath = folder_.path();
  const FileNameRules rules = FileNameRules::Native();
  std::string stem = subject;
  bool asciiTried = false;
  int draws = 1;
  std::string suffixKey;
  std::uint32_t suffix = 0;
  for (;;) {
    const std::string tail =
        std::to_string(number) + (suffix == 0 ? "" : "-" + std::to_string(suffix)) + ".eml";
    const std::string name = MessageFileName(stem, tail, rules);
    outcome.path = folderPath + name;
    const int error = giveName(name);
    if (error == 0) return true;
    const std::string namedStem = name.substr(0, name.size() - tail.size());

    if (error == EEXIST) {
      if (suffix == 0 && draws < kMaxNumberDraws) {
        number = drawNumber_();
        ++draws;
        continue;
      }
      if (suffix == 0) suffixKey = folderPath + '\n' + namedStem + '\n' + std::to_string(number);
      std::uint32_t& next = nextSuffix_.try_emplace(suffixKey, kFirstSuffix).first->second;
      if (suffix != 0) ++next;
      suffix = next;
      if (suffix <= kLastSuffix) continue;
      outcome.reason = "no free file name for the message";
      return false;
    }
    if (error == ENAMETOOLONG && !namedStem.empty()) {
      stem = CutAtCharacter(namedStem, namedStem.size() / 2);
      continue;
    }
    if (error == EILSEQ || error == EINVAL) {
      if (!asciiTried) {
        asciiTried = true;
        stem = PrintableAsciiOnly(stem);
        continue;
      }
      if (!stem.empty()) {
        stem.clear();
        continue;
      }
    }
    outcome.reason = "cannot name the file: " + std::string(std::strerror(error));
    return false;
  }
}

}  // namespace mailshift::mail
