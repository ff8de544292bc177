// The scan as data: a database path in, its title and folder tree out. Every face of the program
// (the windows, the command line) calls it and shows what it returns.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "common/FileStamp.h"
#include "notes/NotesObjects.h"
#include "notes/SessionOrigin.h"

namespace mailshift::notes {

// One node of the folder tree, in the order the tree shows them: the root, the six standard
// folders, "Folders", then the user folders (a parent always before its children).
struct FolderNode {
  std::string key;   // unique in the tree
  std::string text;  // the caption: "Inbox (12)"
  std::string tag;   // the folder tag; empty for the root and for levels that only hold folders
  int image = 0;
  bool emphasis = false;
  std::optional<std::size_t> parent;  // index of the parent node; none for the root
  std::int64_t count = 0;             // documents of its view; 0 for nodes without one
};

// What the program says when no database was given, when a database gives no readable data, and
// when a scan completed; the not-installed text is NotInstalledText (common/Messages.h).
inline constexpr std::string_view kNoDatabaseChosenText =
    "Please select a Notes database and click Start Scan to proceed.";
inline constexpr std::string_view kNoDataText = "No Data Found in NSF file or NSF file is encrypted";
inline constexpr std::string_view kScanCompletedText = "Notes Database Scan Completed Successfully";

enum class ScanEnd {
  NotInstalled,  // no Notes session could be had
  NoData,        // the database gave no readable views
  Stopped,       // the caller asked the scan to stop
  Completed,
};

// The phases a scan shows while it runs (the arrows of the scan panel).
enum class ScanPhase { Reading, StandardFolders, UserFolders };

struct ScanResult {
  ScanEnd end = ScanEnd::NotInstalled;
  std::string databasePath;  // the file that was scanned
  // The file as it was when the scan completed; an export of the scan is refused once it differs.
  std::optional<FileStamp> stamp;
  std::string title;  // DatabaseTitle
  std::vector<FolderNode> nodes;
  // Why the session or the data could not be had, as the client or the reader tells it.
  std::string failure;
  // The database is of a kind this system does not read; failure says what it is and where it is
  // read, and is the whole message to give.
  bool readElsewhere = false;
  // The failures the scan stepped over, in order; the user is not shown them.
  std::vector<std::string> skippedFailures;
  SessionOrigin origin = SessionOrigin::None;
  // The session the scan used, kept for the preview of its folders.
  std::shared_ptr<Session> session;
};

// Told as the scan goes; every member has a default that does nothing.
class ScanObserver {
 public:
  virtual ~ScanObserver() = default;
  virtual void PhaseStarted(ScanPhase /*phase*/) {}
  // A user folder found or counted: the text the scan panel shows for it.
  virtual void FolderShown(const std::string& /*caption*/) {}
  // Asked between folders; true ends the scan with ScanEnd::Stopped.
  virtual bool StopRequested() { return false; }
};

// Obtains a session ("Domino.NotesSession", then "Notes.NotesSession"), reads the title, counts
// the six standard folders and every user folder, and returns the tree. Linear in the number of
// folders.
ScanResult Scan(SessionFactory& sessions, const std::string& databasePath, ScanObserver* observer = nullptr);

}  // namespace mailshift::notes
