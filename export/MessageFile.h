// The second half of CreateEmailItem: writing a rendered message into a new file of its folder
// and giving that file its name, never another file's.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>

#include "export/EmailItem.h"
#include "export/SafeFiles.h"

namespace mailshift::mail {

// The process that wrote the passing file of a message under that file name; none when the name
// is no passing file's. A passing file whose process is gone is what a killed run left.
std::optional<unsigned long> PassingFileProcess(std::string_view fileName);

class MessageFileWriter {
 public:
  // Draws the number N of a message file name.
  using NumberSource = std::function<std::int32_t()>;

  // How a message is kept from other programs until it is whole: as a file without a name where
  // the file system has those (nothing is left of it when the run is killed), or under a passing
  // name that a later run removes.
  enum class PassingFiles { UnnamedWherePossible, Named };

  // Writes the message's content into the file.
  using Content = std::function<void(std::FILE* file)>;

  MessageFileWriter(NumberSource drawNumber, PassingFiles passingFiles);

  // The number N of the next message's name; Write draws again on a clash.
  std::int32_t DrawNumber() { return drawNumber_(); }

  // Writes the content whole as a passing file in folderPath (ending in the path separator), sets
  // the file's modification time to the message's date (when there is one, so that file
  // managers sort messages as mail programs do), and names it cleanedSubject + number + ".eml",
  // drawing another number (and at last adding a "-k" suffix) while the name is taken, and
  // shortening the subject where the file system refuses it. The content throws to fail. Sets
  // outcome.written and outcome.path, or outcome.reason when no file could be written.
  void Write(const std::string& folderPath, const Content& content,
             std::optional<std::int64_t> modificationTime, const std::string& cleanedSubject,
             std::int32_t number, WriteOutcome& outcome);

 private:
  // The file a message is rendered into before it takes its own name.
  struct PassingFile {
    std::string name;  // its passing name; empty when unnamed
    bool unnamed = false;
  };
  // Creates a new file to render into, in folderPath (which becomes the open folder): without a
  // name where the file system allows, else under a passing name. Null when none could be
  // created; outcome.reason then says why.
  std::FILE* CreatePassingFile(const std::string& folderPath, PassingFile& passing, WriteOutcome& outcome);
  // Gives the rendered file in the open folder its name with giveName (which never takes a name
  // that is taken), moving to another name on a clash or a name the file system refuses. False
  // when none could be given; outcome.reason then says why.
  bool NameMessageFile(const std::function<int(const std::string&)>& giveName, const std::string& subject,
                       std::int32_t number, WriteOutcome& outcome);
  // Removes the passing file of a message that could not be finished.
  void RemovePassingFile(const std::string& name, WriteOutcome& outcome);

  NumberSource drawNumber_;
  PassingFiles passingFiles_;
  OpenedFolder folder_;               // the folder of the last message
  bool unnamedFilesMissing_ = false;  // in that folder
  std::uint64_t nextPart_ = 1;
  static constexpr std::size_t kFileBufferBytes = 64 * 1024;
  std::unique_ptr<char[]> fileBuffer_;  // the stream buffer of the message file being written
  // The next "-k" suffix to try for a name whose numbers kept clashing.
  std::unordered_map<std::string, std::uint32_t> nextSuffix_;
};

}  // namespace mailshift::mail
