// What the command line says about a scan's end, as the main window's messages say it.
#pragma once

#include <string>
#include <string_view>

#include "notes/MailScan.h"

namespace mailshift::cli {

// What the command line says when Ctrl+C stopped the scan.
inline constexpr std::string_view kScanStoppedText = "mailshift-cli: the scan was stopped";

// Scans the database; on the error stream, as the main window would say it, why no database was
// given or why the scan did not complete (the reader's reason for a database without readable
// data, or that it was stopped). Nothing when the scan completed. The scan stops between folders
// when the user asks the program to stop (a StopRequests must live meanwhile).
notes::ScanResult ScanOrSayWhyNot(notes::SessionFactory& sessions, const std::string& database);

// On the error stream: why a database gives no readable data, as the reader tells it (a Notes
// database on Linux, an empty file, another kind of file); the general message when it tells
// nothing.
void SayWhyUnreadable(const std::string& reason);

}  // namespace mailshift::cli
