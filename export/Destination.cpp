#include "export/Destination.h"

#include <filesystem>
#include <system_error>

#include "common/Global.h"
#include "common/TextRules.h"
#include "export/PathSafety.h"
#include "export/SafeFiles.h"

namespace mailshift::mail {

namespace {

// Why a folder cannot be made at path: what stops a new entry in the nearest folder above it
// that is there (a read-only folder, say), rather than that path itself is missing.
std::string WhyNotCreated(const std::string& path) {
  std::error_code error;
  std::filesystem::path above = FilePath(path).parent_path();
  while (!above.empty() && !std::filesystem::exists(above, error) && above != above.parent_path()) {
    above = above.parent_path();
  }
  const std::string why = above.empty() ? std::string() : WritableFolderProblem(Utf8Text(above));
  return why.empty() ? WritableFolderProblem(path) : why;
}

}  // namespace

std::string DestinationProblem(const std::string& destination) {
  if (Trim(destination).empty()) return "no destination folder was chosen";
  if (!EnsureFolderExists(destination)) {
    const std::string why = WhyNotCreated(destination);
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
