// What the command line says about a scan's end, as the main window's messages say it.
#pragma once

#include <string>

#include "notes/MailScan.h"

namespace mailshift::cli {

// Scans the database; on the error stream, as the main window would say it, why no database was
// given or why the scan did not complete (with the reader's reason for a database without
// readable data). Nothing when the scan completed.
notes::ScanResult ScanOrSayWhyNot(notes::SessionFactory& sessions, const std::string& database);

}  // namespace mailshift::cli
