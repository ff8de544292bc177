// CreateEmailItem: one message's fields become one .eml file under the output root.
#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "export/EmailComposition.h"
#include "export/SafeFiles.h"

namespace mailshift::mail {

// What a message comes from besides its nine fields.
struct MessageOrigin {
  std::vector<std::string> attachmentFiles;  // the extracted attachment files, in order
  std::string universalId;                   // the Notes document's; empty when it has none
};

// The process that wrote the passing file of a message under that file name; none when the name
// is no passing file's. A passing file whose process is gone is what a killed run left.
std::optional<unsigned long> PassingFileProcess(std::string_view fileName);

struct WriteOutcome {
  bool written = false;
  std::string path;                   // the file written, or the last one attempted
  std::string reason;                 // why nothing was written; empty when written
  std::vector<std::string> problems;  // steps that failed without stopping the message
};

class MessageWriter {
 public:
  // Draws the number N of a message file name.
  using NumberSource = std::function<std::int32_t()>;
  // RandomInRange(1, 40000).
  static std::int32_t DrawFileNumber();

  // How a message is kept from other programs until it is whole: as a file without a name where
  // the file system has those (nothing is left of it when the run is killed), or under a passing
  // name that a later run removes.
  enum class PassingFiles { UnnamedWherePossible, Named };

  // destinationRoot: the root of the output tree, ending in the path separator.
  MessageWriter(EmailComponent& component, std::string destinationRoot,
                NumberSource drawNumber = DrawFileNumber,
                PassingFiles passingFiles = PassingFiles::UnnamedWherePossible);

  // The nine fields in order, then where the message comes from. subject comes back cleaned for
  // a file name; attachments, the list as text, when not empty comes back without its first
  // character. The message attaches origin.attachmentFiles (never pieces of the text), and each
  // of those files is deleted once it has been added. The file's modification time is the
  // message's date, so that file managers sort messages as mail programs do. The message is written whole
  // as a passing file first (see PassingFiles) and then takes its own name, never another file's, so no part
  // of a message ever carries a message's name; when no file could be written, the outcome says why.
  WriteOutcome CreateEmailItem(const std::string& folder, const std::string& from, std::string& subject,
                               const std::string& to, const std::string& cc, const std::string& bcc,
                               const std::string& date, const std::string& body, std::string& attachments,
                               const MessageOrigin& origin);

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

  EmailComponent& component_;
  std::string destinationRoot_;
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
