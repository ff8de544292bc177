// The vendor's names as the windows show them; the support address is in common/Messages.h.
#pragma once

namespace mailshift::shell {

inline constexpr const char* kApplicationName = "Corvane Mailshift";
inline constexpr const char* kMainCaption = "Corvane Mailshift v3.0 Build 1109";
inline constexpr const char* kVendorName = "Corvane Software";
inline constexpr const char* kWebAddress = "www.corvane.example";

}  // namespace mailshift::shell
