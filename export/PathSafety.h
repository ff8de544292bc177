// Names from a mail database that become names on disk: each becomes one plain name of a single
// folder or file, so that no database content can choose where files land.
#pragma once

#include <string>
#include <string_view>

namespace mailshift::mail {

// An output folder name for a database title or a Notes folder name: trimmed, each of the nine
// characters and each control character replaced by "-", at most 255 bytes; "_" stands for an empty name and
// for each dot of "." or "..". "Projects\2008" gives "Projects-2008".
std::string OutputFolderName(std::string_view name);

// A file name for an extracted attachment: only the last part of a path (after "/" or "\"), the
// nine characters and the control characters removed, at most 255 bytes; "_" stands for an empty name and for
// each dot of "." or "..".
std::string AttachmentFileName(std::string_view name);

}  // namespace mailshift::mail
