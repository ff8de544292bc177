// What the command line says about a scan's end, as the main window's messages say it.
#pragma once

#include <string>
#include <string_view>

#include "notes/MailScan.h"

namespace mailshift::cli {

inline constexpr std::string_view kScanCompletedText = "Notes Database Scan Completed Successfully";
inline constexpr std::string_view kNoDatabaseText =
    "Please select a Notes database and click Start Scan to proceed.";
inline constexpr std::string_view kNoDataText = "No Data Found in NSF file or NSF file is encrypted";

// Scans the database; on the error stream, as the main window would say it, why no database was
// given or why the scan did not complete (with the reader's reason for a database without
// readable data). Nothing when the scan completed.
notes::ScanResult ScanOrSayWhyNot(notes::SessionFactory& sessions, const std::string& database);

}  // namespace mailshift::cli
