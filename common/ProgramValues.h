// The program-wide values that the windows and the export run share.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mailshift {

struct ProgramValues {
  // The database title read by the scan; names the per-database output folder.
  std::string DatabaseTitle;
  // The folder tags of the checked tree nodes, written by the export launch.
  std::vector<std::string> SelectedFolders;
  // The destination folder chosen at the launch; the export run extends it to the output root.
  std::string DestinationRoot;
  // Set at the launch when the destination holds an earlier export of the database: true writes
  // every message again, false (the default) adds only the messages that are missing.
  bool ExportEverythingAgain = false;
  // The counts of the six standard folders, as the last scan found them.
  std::int64_t InboxCount = 0;
  std::int64_t DraftsCount = 0;
  std::int64_t SentCount = 0;
  std::int64_t FollowUpCount = 0;
  std::int64_t JunkMailCount = 0;
  std::int64_t TrashCount = 0;
};

}  // namespace mailshift
