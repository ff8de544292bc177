#include "common/Global.h"

#include <cmath>
#include <filesystem>
#include <stdexcept>
#include <system_error>
#include <utility>

#include "common/TextRules.h"

namespace mailshift {
namespace {

FolderPicker* installedPicker = nullptr;

// A 24-bit linear congruential generator; its fixed starting state makes every run of the
// program draw the same sequence.
constexpr std::uint32_t kGeneratorStart = 0x50000;
std::uint32_t generatorState = kGeneratorStart;

float NextRandomFraction() {
  generatorState = (generatorState * 0x43FD43FDu + 0xC39EC3u) & 0xFFFFFFu;
  return static_cast<float>(generatorState) / 16777216.0f;  // exact: 24 bits fit a float
}

// Rounds (low + high) / 2 to the nearest index, halves to the even neighbour.
std::ptrdiff_t MiddleIndex(std::ptrdiff_t low, std::ptrdiff_t high) {
  const std::ptrdiff_t sum = low + high;
  std::ptrdiff_t mid = sum / 2;
  if (sum % 2 != 0 && mid % 2 != 0) ++mid;
  return mid;
}

bool SortsBefore(const std::string& a, const std::string& b) { return CompareOrdinal(a, b) < 0; }

}  // namespace

void SetFolderPicker(FolderPicker* picker) { installedPicker = picker; }

std::string GetTempFolder() {
  std::error_code error;
  // UTF-8 on every system: on Windows the ANSI code page could not hold every user's name.
  const std::u8string text = std::filesystem::temp_directory_path(error).u8string();
  std::string folder(text.begin(), text.end());
  if (error || folder.empty()) return {};
  if (folder.back() != kPathSeparator) folder += kPathSeparator;
  return folder;
}

std::string BrowseForFolder(std::intptr_t ownerWindow, const std::string& title) {
  if (installedPicker == nullptr) return {};
  try {
    return installedPicker->PickFolder(ownerWindow, title);
  } catch (...) {
    return {};  // the picker's failures mean "no folder chosen"
  }
}

void QuickSort(std::vector<std::string>& entries, std::ptrdiff_t low, std::ptrdiff_t high) {
  const auto count = static_cast<std::ptrdiff_t>(entries.size());
  if (low > high) return;
  if (low < 0 || high >= count) throw std::out_of_range("QuickSort: index out of range");

  // The smaller part is sorted by recursion and the larger one by the loop, so the depth stays
  // logarithmic whatever the input.
  while (low < high) {
    const std::string pivot = entries[static_cast<std::size_t>(MiddleIndex(low, high))];
    std::ptrdiff_t i = low;
    std::ptrdiff_t j = high;
    do {
      while (SortsBefore(entries[static_cast<std::size_t>(i)], pivot) && i < high) ++i;
      while (SortsBefore(pivot, entries[static_cast<std::size_t>(j)]) && j > low) --j;
      if (i <= j) {
        std::swap(entries[static_cast<std::size_t>(i)], entries[static_cast<std::size_t>(j)]);
        ++i;
        --j;
      }
    } while (i <= j);

    if (j - low < high - i) {
      if (low < j) QuickSort(entries, low, j);
      low = i;
    } else {
      if (i < high) QuickSort(entries, i, high);
      high = j;
    }
  }
}

void RemoveDuplicates(std::vector<std::string>& entries) {
  // Blank every repeat of a non-empty entry, then close the gaps.
  std::size_t gap = 1;
  std::size_t j = 0;
  while (j + gap < entries.size()) {
    if (!entries[j].empty() && entries[j + gap] == entries[j]) {
      entries[j + gap].clear();
      ++gap;
    } else {
      gap = 1;
      ++j;
    }
  }
  std::size_t kept = 0;
  for (std::size_t i = 0; i < entries.size(); ++i) {
    if (entries[i].empty()) continue;
    if (i != kept) entries[kept] = std::move(entries[i]);
    ++kept;
  }
  entries.resize(kept);
}

bool EnsureFolderExists(const std::string& path) {
  if (path.empty()) return false;
  std::error_code error;
  const std::filesystem::path folder(std::u8string(path.begin(), path.end()));
  std::filesystem::create_directories(folder, error);
  return std::filesystem::is_directory(folder, error);
}

std::int32_t RandomInRange(std::int32_t low, std::int32_t high) {
  const std::int64_t width = std::int64_t{high} - std::int64_t{low} + 1;
  if (width <= 0 || width > std::int64_t{INT32_MAX}) {
    throw std::out_of_range("RandomInRange: the range " + std::to_string(low) + " to " +
                            std::to_string(high) + " does not fit 32 bits");
  }
  const double fraction = NextRandomFraction();
  const auto offset = static_cast<std::int64_t>(std::floor(static_cast<double>(width) * fraction));
  return static_cast<std::int32_t>(std::int64_t{low} + offset);
}

void ResetRandomGenerator() { generatorState = kGeneratorStart; }

}  // namespace mailshift
