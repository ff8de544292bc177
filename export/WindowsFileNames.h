// Windows only: UTF-8 paths as the wide-character file API takes them, and its error codes as
// the error numbers the export reports on every system.
#pragma once

#include <windows.h>

#include <string>

namespace mailshift::mail::windows {

// The UTF-16 form of a UTF-8 path. A long absolute path gets the "\\?\" form, so that the
// 260-character limit of the plain form does not apply.
std::wstring WidePath(const std::string& utf8Path);

// The C error number that matches a Windows error code (EEXIST for a name that is taken,
// EACCES for access denied, ...); EIO for codes without a match.
int ErrorNumber(DWORD windowsError);

// The text of ErrorNumber(windowsError), worded as on other systems.
std::string ErrorText(DWORD windowsError);

}  // namespace mailshift::mail::windows
