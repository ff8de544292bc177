// `export --summary FILE`: the run's figures as JSON, for a batch that started the export.
#pragma once

#include <string>

#include "export/ExportPlan.h"

namespace mailshift::cli {

// Writes the summary of a run whole (a new file renamed over the old one). False when it cannot.
bool WriteExportSummary(const std::string& path, const mail::ExportPlan& plan,
                        const mail::ExportReport& report, double seconds);

}  // namespace mailshift::cli
