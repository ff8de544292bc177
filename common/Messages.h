// Message texts that more than one command shows.
#pragma once

#include <string>
#include <string_view>

namespace mailshift {

inline constexpr std::string_view kSupportAddress = "support@corvane.example";

inline constexpr std::string_view kNotInstalledTitle = "Notes Not Installed/Configured";

// The message shown when no Notes session can be created.
inline std::string NotInstalledMessage() {
  std::string text;
  text += "Lotus Notes NOT INSTALLED or CONFIGURED Properly.\r\n";
  text += "\r\n";
  text += "If Lotus Notes is installed and configured properly and you still get this error message\r\n";
  text +=
      "then make sure your Lotus Notes Client is configured as stand alone client (does not look for "
      "Domino).\r\n";
  text += "It is RECOMMENDED that you install a Notes Client on a fresh disk to perform the conversion.\r\n";
  text += "Please contact our technical team at ";
  text += kSupportAddress;
  text += " for further assistance.\r\n";
  text += "\r\n";
  text += "Make sure you logged in under same user account through which Notes is installed.";
  return text;
}

}  // namespace mailshift
