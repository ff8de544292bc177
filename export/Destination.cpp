#include "export/Destination.h"

#include "common/Global.h"
#include "common/TextRules.h"
#include "export/PathSafety.h"
#include "export/SafeFiles.h"

namespace mailshift::mail {

std::string DestinationProblem(const std::string& destination) {
  if (Trim(destination).empty()) return "no destination folder was chosen";
  if (!EnsureFolderExists(destination)) {
    const std::string why = WritableFolderProblem(destination);
    return "it cannot be created" + (why.empty() ? std::string() : " (" + why + ")");
  }
  return WritableFolderProblem(destination);
}

std::string OutputRootOf(const std::string& destination, const std::string& databaseTitle) {
  std::string root = destination;
  if (root.empty() || root.back() != kPathSeparator) root += kPathSeparator;
  return root + OutputFolderName(databaseTitle) + kPathSeparator;
}

std::string DestinationMessage(const std::string& destination, const std::string& problem) {
  return "The destination folder cannot be written:\r\n" + destination + "\r\n" + problem;
}

}  // namespace mailshift::mail
