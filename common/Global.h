// The module Global: the program's shared routines.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mailshift {

// Separator between the levels of a file-system path on this system.
#ifdef _WIN32
inline constexpr char kPathSeparator = '\\';
#else
inline constexpr char kPathSeparator = '/';
#endif

// What BrowseForFolder shows; the windows implement it with a real dialog.
class FolderPicker {
 public:
  virtual ~FolderPicker() = default;
  // The chosen folder, or "" when the user cancelled.
  virtual std::string PickFolder(std::intptr_t ownerWindow, const std::string& title) = 0;
};

// The picker BrowseForFolder uses; none until the windows install theirs.
void SetFolderPicker(FolderPicker* picker);

// The system's temporary folder, ending in the path separator; "" when it cannot be determined.
std::string GetTempFolder();

// Asks the installed folder picker for a folder. "" when there is no picker, the user cancelled,
// or anything failed.
std::string BrowseForFolder(std::intptr_t ownerWindow, const std::string& title);

// Sorts entries low..high (inclusive) ascending by ordinal comparison (UTF-16 code units).
// Indices beyond the array or low > high + 1 are a std::out_of_range error.
void QuickSort(std::vector<std::string>& entries, std::ptrdiff_t low, std::ptrdiff_t high);

// On a sorted array: drops repeated and empty entries, keeping each distinct text once.
void RemoveDuplicates(std::vector<std::string>& entries);

// Creates every missing folder along the path; true when the folder exists afterwards.
bool EnsureFolderExists(const std::string& path);

// A pseudo-random whole number from low to high inclusive. The generator starts from the same
// fixed state in every run. A range that does not fit 32 bits is a std::out_of_range error.
std::int32_t RandomInRange(std::int32_t low, std::int32_t high);

// Puts the generator back to its starting state (for tests that need the first draws of a run).
void ResetRandomGenerator();

}  // namespace mailshift
