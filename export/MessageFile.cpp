#include "export/MessageFile.h"

#include <cerrno>
#include <cstring>
#include <exception>
#include <filesystem>
#include <memory>
#include <system_error>

#include "common/TextRules.h"
#include "export/EmailComposition.h"
#include "export/MessageFileName.h"

namespace mailshift::mail {
namespace {

// Draws of N before a clashing name gets a "-k" suffix instead.
constexpr int kMaxNumberDraws = 10;
constexpr std::uint32_t kFirstSuffix = 2;
constexpr std::uint32_t kLastSuffix = 1000000;

std::string Quoted(const std::string& text) { return "\"" + text + "\""; }

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

MessageFileWriter::MessageFileWriter(NumberSource drawNumber, PassingFiles passingFiles)
    : drawNumber_(std::move(drawNumber)), passingFiles_(passingFiles) {}

void MessageFileWriter::Write(const std::string& folderPath, const Content& content,
                              std::optional<std::int64_t> modificationTime, const std::string& cleanedSubject,
                              std::int32_t number, WriteOutcome& outcome) {
  PassingFile passing;
  std::unique_ptr<std::FILE, FileCloser> file(CreatePassingFile(folderPath, passing, outcome));
  if (file == nullptr) return;
  // A buffer of the writer's own: the stream then does not ask the file system for one, and most
  // messages go to their file in one write.
  if (!fileBuffer_) fileBuffer_ = std::make_unique_for_overwrite<char[]>(kFileBufferBytes);
  std::setvbuf(file.get(), fileBuffer_.get(), _IOFBF, kFileBufferBytes);
  try {
    content(file.get());
    if (std::fflush(file.get()) != 0) {
      throw EmailError(std::string("cannot write the file: ") + std::strerror(errno));
    }
    outcome.bytes = std::ftell(file.get());
    if (modificationTime) {
      if (const int error = SetModificationTime(file.get(), *modificationTime)) {
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
    return;
  }

  const auto giveName = [&](const std::string& name) {
    return passing.unnamed ? folder_.NameUnnamedFile(file.get(), name)
                           : folder_.RenameNoReplace(passing.name, name);
  };
  if (!NameMessageFile(giveName, cleanedSubject, number, outcome)) {
    file.reset();
    if (!passing.unnamed) RemovePassingFile(passing.name, outcome);
    // Opened again for the next message: the folder may have been removed and made again.
    folder_.Close();
    return;
  }
  if (passing.unnamed && std::fclose(file.release()) != 0) {
    // Its last writes failed after all: the message goes again, as a passing file would.
    outcome.reason = std::string("cannot write the file: ") + std::strerror(errno);
    RemovePassingFile(FilePath(outcome.path).filename().string(), outcome);
    return;
  }
  outcome.written = true;
}

std::FILE* MessageFileWriter::CreatePassingFile(const std::string& folderPath, PassingFile& passing,
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

void MessageFileWriter::RemovePassingFile(const std::string& name, WriteOutcome& outcome) {
  const int error = folder_.Remove(name);
  if (error != 0 && error != ENOENT) {
    outcome.reason += "; the unfinished file " + Quoted(folder_.path() + name) +
                      " could not be removed: " + std::strerror(error);
  }
}

bool MessageFileWriter::NameMessageFile(const std::function<int(const std::string&)>& giveName,
                                        const std::string& subject, std::int32_t number,
                                        WriteOutcome& outcome) {
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
