// The vendor's names as the windows show them; the support address is in common/Messages.h.
#pragma once

#include "common/ProgramVersion.h"

namespace mailshift::shell {

inline constexpr const char* kApplicationName = "Corvane Mailshift";
inline constexpr const char* kMainCaption = "Corvane Mailshift v" MAILSHIFT_VERSION_TEXT;
inline constexpr const char* kVendorName = "Corvane Software";
inline constexpr const char* kWebAddress = "www.corvane.example";

}  // namespace mailshift::shell
