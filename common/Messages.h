// Message texts that more than one command shows.
#pragma once

#include <string>
#include <string_view>

namespace mailshift {

// The vendor's support e-mail address, shown in messages and in the status bar.
inline constexpr std::string_view kSupportAddress = "support@corvane.example";

inline constexpr std::string_view kNotInstalledTitle = "Notes Not Installed/Configured";

// Shown by the scan and by the export run when no Notes session can be obtained.
inline const std::string& NotInstalledText() {
  static const std::string text =
      "Lotus Notes NOT INSTALLED or CONFIGURED Properly.\r\n"
      "\r\n"
      "If Lotus Notes is installed and configured properly and you still get this error message\r\n"
      "then make sure your Lotus Notes Client is configured as stand alone client (does not look for "
      "Domino).\r\n"
      "It is RECOMMENDED that you install a Notes Client on a fresh disk to perform the conversion.\r\n"
      "Please contact our technical team at " +
      std::string(kSupportAddress) +
      " for further assistance.\r\n"
      "\r\n"
      "Make sure you logged in under same user account through which Notes is installed.";
  return text;
}

}  // namespace mailshift
