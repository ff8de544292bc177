// The destination folder the user chose, checked once before anything is written into it.
#pragma once

#include <string>

namespace mailshift::mail {

// "" when the destination exists, or could be made, and a file can be written in it; otherwise
// why not.
std::string DestinationProblem(const std::string& destination);

// The root of the output tree in the destination: the destination, the database title made a
// folder name, and the path separator.
std::string OutputRootOf(const std::string& destination, const std::string& databaseTitle);

// The message that tells the user a destination cannot be used.
std::string DestinationMessage(const std::string& destination, const std::string& problem);

}  // namespace mailshift::mail
