// What the windows add to the work: the scan, the preview and the export through the real Qt
// windows, beside the same logic over controls without a window.
//   bench_windows [--folders N] [--documents N] [--listed N]
// Builds a store with N user folders (default 2000) and N documents (default 100000), of which the
// folder "Archive" holds the first `listed` (default 50000); scans it, lists "Archive" and exports
// "Archive" (to a writer that writes nothing, so that only the run and its window are measured).
// Runs on the display when there is one, else on the offscreen platform.
#include <QApplication>
#include <QTreeWidget>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/BenchSupport.h"
#include "bench/LargeMailbox.h"
#include "export/ExportPlan.h"
#include "notes/MailPreview.h"
#include "notes/MailScan.h"
#include "platform/standin/StandInNotesClient.h"
#include "shell/ProgramWindows.h"
#include "shell/frmSave.h"

namespace {

using namespace mailshift;
using namespace mailshift::shell;
using bench::Clock;
using bench::PeakMegabytes;

class SilentMessages final : public MessageBoxes {
 public:
  MessageAnswer Show(const std::string& text, const std::string&, MessageIcon, MessageButtons) override {
    last = text;
    return MessageAnswer::Ok;
  }
  std::string last;
};

class NoFileDialog final : public FileOpenDialog {
 public:
  std::string ShowOpen(const std::string&) override { return {}; }
};

class NoDesktop final : public FileOpener {
 public:
  bool Open(const QString&) override { return false; }
};

class WritesNothing final : public mail::EmailItemWriter {
 public:
  mail::WriteOutcome CreateEmailItem(const std::string&, const std::string&,
                                     const mail::EmailItem&) override {
    ++messages;
    mail::WriteOutcome outcome;
    outcome.written = true;
    return outcome;
  }
  std::int64_t messages = 0;
};

}  // namespace

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
  }
  int folders = 2000;
  std::int64_t documents = 100000;
  std::int64_t listed = 50000;
  for (int i = 1; i + 1 < argc; i += 2) {
    const std::string option = argv[i];
    if (option == "--folders") folders = std::atoi(argv[i + 1]);
    if (option == "--documents") documents = std::atoll(argv[i + 1]);
    if (option == "--listed") listed = std::atoll(argv[i + 1]);
  }
  if (folders < 2 || documents < listed) {
    std::fprintf(stderr, "usage: %s [--folders N>=2] [--documents N] [--listed N<=documents]\n", argv[0]);
    return 2;
  }
  QApplication application(argc, argv);
  std::printf("platform: %s\n", qPrintable(QGuiApplication::platformName()));

  const auto work = std::filesystem::temp_directory_path() / "bench-windows";
  std::filesystem::create_directories(work);
  const auto store = work / "bench-windows.nsf";
  auto started = Clock::now();
  bench::BuildLargeMailbox(store, folders, documents, listed);
  std::printf("store: %d folders, %lld documents built in %.2f s\n", folders,
              static_cast<long long>(documents), bench::SecondsSince(started));

  standin::StandInNotesClient client;
  WritesNothing writer;
  const std::string logPath = (work / "Log.txt").string();

  // The logic alone.
  started = Clock::now();
  const notes::ScanResult scan = notes::Scan(client, store.string());
  const double scanAlone = bench::SecondsSince(started);
  if (scan.end != notes::ScanEnd::Completed) {
    std::fprintf(stderr, "the scan did not complete\n");
    return 1;
  }
  started = Clock::now();
  notes::Preview(*scan.session, store.string(), "Archive");
  const double listAlone = bench::SecondsSince(started);
  mail::ExportPlan plan;
  plan.databasePath = store.string();
  plan.title = scan.title;
  plan.folders = {"Archive"};
  plan.destination = (work / "out").string();
  plan.logPath = logPath;
  mail::ExportObserver quiet;
  started = Clock::now();
  mail::Export(plan, {client, writer}, quiet);
  const double exportAlone = bench::SecondsSince(started);

  // The same through the windows.
  SilentMessages messages;
  NoFileDialog fileDialog;
  NoDesktop desktop;
  QtWaiter waiter;
  ProgramState state;
  ShellServices services{messages, fileDialog, desktop, waiter, client, writer, logPath, QString(), [] {}};
  ProgramWindows windows(services, state);
  windows.ShowMain();
  frmMain& main = *windows.Main();
  main.Controls().txtNotesDatabaseFile.SetCaption(store.string());
  QCoreApplication::processEvents();
  started = Clock::now();
  main.CmdScan_Click();
  QCoreApplication::processEvents();
  const double scanWindows = bench::SecondsSince(started);
  auto* tree = main.findChild<QTreeWidget*>(QStringLiteral("ContactsTreeView"));
  const auto archive =
      tree->findItems(QStringLiteral("Archive (%1)").arg(listed), Qt::MatchExactly | Qt::MatchRecursive);
  if (archive.size() != 1) {
    std::fprintf(stderr, "the tree has no node Archive\n");
    return 1;
  }
  tree->setCurrentItem(archive.front());
  started = Clock::now();
  main.ContactsTreeView_Click();
  QCoreApplication::processEvents();
  const double listWindows = bench::SecondsSince(started);

  state.Values.SelectedFolders = {"Archive"};
  state.Values.DestinationRoot = (work / "out").string();
  frmSave exportWindow(&main, ExportContext{services, state, [&] { return store.string(); }});
  exportWindow.show();
  QCoreApplication::processEvents();
  started = Clock::now();
  exportWindow.CmdConversion_Click();
  const double exportWindowed = bench::SecondsSince(started);

  std::printf("scan %d folders:        %.3f s alone, %.3f s in the window\n", folders, scanAlone,
              scanWindows);
  std::printf("list %lld messages:     %.3f s alone, %.3f s in the window\n", static_cast<long long>(listed),
              listAlone, listWindows);
  std::printf("export %lld messages:   %.3f s alone, %.3f s in the export window (%.0f messages/s)\n",
              static_cast<long long>(listed), exportAlone, exportWindowed,
              static_cast<double>(listed) / exportWindowed);
  std::printf("peak memory: %.1f MB\n", PeakMegabytes());
  std::filesystem::remove_all(work);
  return writer.messages == 2 * listed ? 0 : 1;
}
