// Names from a mail database that become names on disk: each becomes one plain name of a single
// folder or file, so that no database content can choose where files land.
#pragma once

#include <string>
#include <string_view>

#include "export/MessageFileName.h"

namespace mailshift::mail {

// An output folder name for a database title or a Notes folder name: trimmed, each of the nine
// characters and each control character replaced by "-", each byte that is no UTF-8 by U+FFFD, at most 255
// bytes; "_" stands for an empty name and for each dot of "." or "..". "Projects\2008" gives "Projects-2008".
std::string OutputFolderName(std::string_view name);

// A file name for an extracted attachment: only the last part of a path (after "/" or "\"), the
// nine characters and the control characters removed, at most 255 bytes; "_" stands for an empty name and for
// each dot of "." or "..".
std::string AttachmentFileName(std::string_view name);

// Whether the name is one this program could have given a folder or file of the output tree: one
// plain name, neither "." nor "..", without a path separator, drive colon or any other of the nine
// characters, without control characters, within the length the rules allow, and under Windows
// rules no device name and not only dots and blanks. A name read back from a file (the manifest)
// is used only when it is one: anything else could send a file outside its folder.
bool IsPlainOutputName(std::string_view name, const FileNameRules& rules = FileNameRules::Native());

}  // namespace mailshift::mail
