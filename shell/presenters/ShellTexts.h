// Every text the windows show, written once for the Qt windows and the Windows windows alike.
#pragma once

namespace mailshift::shell::text {

// The main window.
inline constexpr const char* kBannerCompany = "Corvane";
inline constexpr const char* kBannerProduct = "Mailshift";
inline constexpr const char* kBannerLine = "Migrate Lotus Notes Emails to Outlook Express";
inline constexpr const char* kFileMenu = "&File";
inline constexpr const char* kOpenEntry = "&Open...";
inline constexpr const char* kExitEntry = "E&xit";
inline constexpr const char* kNamesTableEntry = "&Names Table...";
inline constexpr const char* kPlainTextEntry = "&Plain Text Bodies";
inline constexpr const char* kHelpMenu = "&Help";
inline constexpr const char* kContentsEntry = "Contents";
inline constexpr const char* kAboutEntry = "&About...";
inline constexpr const char* kSelectFileTab = " Select File";
inline constexpr const char* kEmailsPreviewTab = " Emails Preview";
inline constexpr const char* kSelectDatabase = "Select Lotus Notes Database (.nsf)";
inline constexpr const char* kBrowseButton = "Browse...";
inline constexpr const char* kScanButton = "Start Scan";
inline constexpr const char* kScanFrame = " Scan Details";
inline constexpr const char* kReadingPhase = "Reading Lotus Notes Mailbox...";
inline constexpr const char* kMailsPhase = "Scanning Mails...";
inline constexpr const char* kFolderPhase = "Scanning Folder...";
inline constexpr const char* kSupportedVersions =
    "Supports Lotus Notes Database 8.5, 8.0, 7.0, 6.5, 6.0, 5.0";
inline constexpr const char* kTreeHeader = "Notes Database";
inline constexpr const char* kMailListHeaderFormat =
    "From/To;150;0;0;;-1|Subject;240;0;0;;-1|Size;52;2;0;;-1|Date;150;0;0;;-1";
inline constexpr const char* kStartConversionButton = "Start Conversion";
inline constexpr const char* kStatusEmail = "Email: ";
inline constexpr const char* kNotesDatabaseFilter = "Notes Database (*.nsf)|*.nsf";
inline constexpr const char* kNamesTableFilter = "Names Table (*.csv)|*.csv";
// Marks the scan phase that failed, after its caption.
inline constexpr const char* kPhaseFailed = " Failed";
inline constexpr const char* kAboutCaption = "About - Corvane Mailshift";

// The export window.
inline constexpr const char* kExportCaption = "Export to Outlook Express .EML format";
inline constexpr const char* kExportFrame = " Export Progress Details";
inline constexpr const char* kCheckingConfiguration = "Checking Configuration...";
inline constexpr const char* kProcessing = "Processing...";
inline constexpr const char* kCustomFolders = "Saving Emails (Custom Folders)...";
// The first label after a run: how it ended.
inline constexpr const char* kExportFinished = "Export Finished";
inline constexpr const char* kExportStopped = "Export Stopped";
inline constexpr const char* kExportNotCompleted = "Export Not Completed";
inline constexpr const char* kSubjectCaption = "Subject :";
inline constexpr const char* kFoundCaption = "Found :";
inline constexpr const char* kCurrentCaption = "Current :";
inline constexpr const char* kExportButton = "&Export Emails";
inline constexpr const char* kCancelButton = "Cancel";
inline constexpr const char* kOpenFolderButton = "Open Folder";
inline constexpr const char* kOpenLogButton = "Open Log";
inline constexpr const char* kCloseButton = "Close";

// Messages. Those the command line says too are the core's (notes/MailScan.h, export/ExportPlan.h).
inline constexpr const char* kExitQuestion = "Are you sure you want to close the software";
inline constexpr const char* kExitTitle = "Corvane Quillon";
inline constexpr const char* kSelectDatabaseTitle = "Select Notes Database";
inline constexpr const char* kScanCompletedTitle = "Scan Completed...";
inline constexpr const char* kExportTitle = "Export to Outlook Express";
inline constexpr const char* kDestinationTitle = "Select Path to Save PST File";
inline constexpr const char* kEarlierExportIn = "An earlier export of this database is in:\r\n";
inline constexpr const char* kEarlierExportChoice =
    "\r\n\r\nYes: add only the messages that are missing there.\r\n"
    "No: write every message again.\r\nCancel: export nothing now.";
inline constexpr const char* kDatabaseChangedIn = "The database has changed since it was scanned:\r\n";
inline constexpr const char* kScanAgain = "\r\n\r\nPlease scan it again (Start Scan) before the export.";
inline constexpr const char* kNamesTableTitle = "Names Table";
inline constexpr const char* kNamesTableNotRead = "The names table could not be read:\r\n";
inline constexpr const char* kNamesTableInUse = "The names table in use:\r\n";
inline constexpr const char* kStopUsingNamesTable = "\r\n\r\nExport without a names table from now on?";
inline constexpr const char* kConversionErrorTitle = "Error in Conversion";
inline constexpr const char* kCommandFailed = "The command could not be completed:\r\n";
inline constexpr const char* kHelpFileMissing = "The help file could not be found:\r\n";
inline constexpr const char* kHelpFileNotShown = "No program on this computer can show the help file:\r\n";
inline constexpr const char* kCouldNotBeOpened = " could not be opened:\r\n";
inline constexpr const char* kOutputFolder = "The output folder";
inline constexpr const char* kTheLog = "The log";

}  // namespace mailshift::shell::text
