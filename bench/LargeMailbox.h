// A large stand-in mailbox for the benchmarks of the scan, the preview and the windows.
#pragma once

#include <cstdint>
#include <filesystem>

namespace mailshift::bench {

// Writes a store with `folders` user folders (ten subfolders under each top folder) and
// `documents` small messages. The folder "Archive" holds the first `listed` documents; the six
// standard folders hold a few hundred; the rest spread over the other folders.
void BuildLargeMailbox(const std::filesystem::path& store, int folders, std::int64_t documents,
                       std::int64_t listed);

}  // namespace mailshift::bench
