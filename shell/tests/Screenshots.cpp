// Drives the windows through the main flow over the sample mailbox and saves a picture of each
// step, with the window manager's frame where one runs:
//   mailshift-screenshots OUTPUT_FOLDER
// Run it on a display (scripts/screenshots starts one under Xvfb).
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>
#include <cstdio>

#include "ShellTestSupport.h"
#include "platform/standin/StandInNotesClient.h"
#include "platform/standin/StoreFixture.h"
#include "shell/Artwork.h"
#include "shell/HelpWindow.h"
#include "shell/ProgramWindows.h"
#include "shell/WindowFont.h"
#include "shell/frmAbout.h"
#include "shell/frmSave.h"
#include "shell/frmSplash.h"
#include "shell/presenters/ShellTexts.h"

using namespace mailshift;
using namespace mailshift::shell;
using namespace mailshift::shell::testing;

namespace {

QDir output;

void Settle() {
  for (int i = 0; i < 6; ++i) {
    QCoreApplication::processEvents();
    QTest::qWait(40);
  }
}

// The window as the screen shows it, frame and title bar included when a window manager draws
// them; the widget alone elsewhere.
void Grab(QWidget& window, const char* name, bool settle = true) {
  if (settle) Settle();
  QPixmap picture;
  if (QGuiApplication::platformName() == QLatin1String("xcb")) {
    const QRect frame = window.frameGeometry();
    picture = window.screen()->grabWindow(0, frame.x(), frame.y(), frame.width(), frame.height());
  } else {
    picture = window.grab();
  }
  const QString path = output.filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
  if (!picture.save(path)) std::fprintf(stderr, "could not write %s\n", qPrintable(path));
  std::printf("%s\n", qPrintable(path));
}

// Takes a picture of the export window after a number of messages, in the middle of the run.
class PictureMidway final : public mail::EmailItemWriter {
 public:
  PictureMidway(mail::EmailItemWriter& writer, int after) : writer_(writer), after_(after) {}
  mail::WriteOutcome CreateEmailItem(const std::string& root, const std::string& folder,
                                     const mail::EmailItem& fields) override {
    mail::WriteOutcome outcome = writer_.CreateEmailItem(root, folder, fields);
    if (++written_ == after_ && window != nullptr) Grab(*window, "export-running", false);
    return outcome;
  }
  QWidget* window = nullptr;

 private:
  mail::EmailItemWriter& writer_;
  int after_;
  int written_ = 0;
};

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Corvane Mailshift"));
  QApplication::setStyle(QStringLiteral("Fusion"));
  QApplication::setWindowIcon(ProgramIcon());
  QApplication::setFont(WindowFont());
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER\n", argv[0]);
    return 2;
  }
  output = QDir(QString::fromLocal8Bit(argv[1]));
  output.mkpath(QStringLiteral("."));

  QDir work(QDir::temp().filePath(QStringLiteral("Corvane Mailshift")));
  work.removeRecursively();
  work.mkpath(QStringLiteral("Export"));
  const std::string store = work.filePath(QStringLiteral("Sample Mail.nsf")).toStdString();
  standin::WriteSampleStore(store);

  TestServices t;
  standin::StandInNotesClient standIn;
  PictureMidway writer(t.writer, 180);
  RealMailCore core(standIn, writer);
  ShellServices services{t.messages,
                         t.fileDialog,
                         t.folderPicker,
                         t.desktop,
                         t.waiter,
                         core,
                         t.services.LogPath,
                         t.services.ProgramFolder,
                         t.services.EndProgram};
  ProgramWindows windows(services);

  frmSplash splash([&] { windows.ShowMain(); }, 60000);
  splash.show();
  Grab(splash, "splash");
  QTest::keyClick(&splash, Qt::Key_Space);
  frmMain& main = *windows.Main();
  Grab(main, "main-start");

  t.fileDialog.answers = {store};
  main.Presenter().CmdBrowse_Click();
  Grab(main, "main-file-chosen");
  main.Presenter().CmdScan_Click();
  auto* tabs = main.findChild<QTabWidget*>(QStringLiteral("NotesTab"));
  tabs->setCurrentIndex(0);
  Grab(main, "main-scanned");
  tabs->setCurrentIndex(1);
  auto* tree = main.findChild<QTreeWidget*>(QStringLiteral("ContactsTreeView"));
  tree->setCurrentItem(tree->topLevelItem(0)->child(0));
  main.Presenter().ContactsTreeView_Click();
  Grab(main, "main-preview");

  // One user folder unchecked: its subfolders go with it, the levels above show partly checked.
  const auto folders = tree->findItems(QStringLiteral("Folders"), Qt::MatchExactly | Qt::MatchRecursive);
  if (!folders.isEmpty() && folders.front()->childCount() > 0) {
    QTreeWidgetItem* unchecked = folders.front()->child(0);
    for (int i = 0; i < folders.front()->childCount(); ++i) {
      if (folders.front()->child(i)->childCount() > 0) unchecked = folders.front()->child(i);
    }
    unchecked->setCheckState(0, Qt::Unchecked);
    tree->setCurrentItem(unchecked);
    tree->scrollToItem(unchecked);
  }
  Grab(main, "main-partly-checked");

  frmAbout about(&main);
  about.show();
  Grab(about, "about");
  about.close();

  // The plan the export command makes of the checked folders and the chosen destination.
  mail::ExportPlan plan;
  plan.databasePath = store;
  plan.title = main.Presenter().LastScan()->title;
  plan.folders = main.Presenter().Checks()->CheckedTags();
  plan.destination = work.filePath(QStringLiteral("Export")).toStdString();
  plan.logPath = services.LogPath;
  ExportPresenter exportPresenter(core, plan, main.Presenter().LastScan()->stamp);
  frmSave save(&main, exportPresenter, services);
  writer.window = &save;
  save.show();
  Grab(save, "export-window");
  exportPresenter.CmdConversion_Click();
  Settle();
  Grab(save, "export-done");

  if (!t.messages.shown.empty()) {
    const auto& done = t.messages.shown.back();
    QMessageBox completion(QMessageBox::Information, QString::fromStdString(done.title),
                           MessageText(done.text), QMessageBox::Ok, &main);
    completion.show();
    Grab(completion, "export-completed");
    completion.close();
  }

  // The help pages as the build puts them beside the program.
  const QString helpPages =
      QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../help/index.html"));
  if (QFileInfo::exists(helpPages)) {
    HelpWindow help(&main, helpPages);
    help.ShowContents();
    Grab(help, "help-window");
    help.close();
  }

  // A file that is no mail store: the scan panel marks the phase that failed.
  save.hide();
  const QString empty = work.filePath(QStringLiteral("Empty.nsf"));
  QFile(empty).open(QIODevice::WriteOnly);
  t.fileDialog.answers = {empty.toStdString()};
  main.Presenter().CmdBrowse_Click();
  main.Presenter().CmdScan_Click();
  Grab(main, "main-scan-failed");

  // A Notes database on Linux: the message says what this system reads and where the file is read.
  const QString notesDatabase = work.filePath(QStringLiteral("mail.nsf"));
  QFile notesFile(notesDatabase);
  notesFile.open(QIODevice::WriteOnly);
  notesFile.write(QByteArray("\x1a\x00\x00\x04\x00\x00", 6) + QByteArray(4090, '\0'));
  notesFile.close();
  t.fileDialog.answers = {notesDatabase.toStdString()};
  main.Presenter().CmdBrowse_Click();
  const std::size_t shownBefore = t.messages.shown.size();
  main.Presenter().CmdScan_Click();
  if (t.messages.shown.size() > shownBefore) {
    const auto& refused = t.messages.shown.back();
    const QMessageBox::Icon icon = refused.icon == MessageIcon::Critical      ? QMessageBox::Critical
                                   : refused.icon == MessageIcon::Exclamation ? QMessageBox::Warning
                                                                              : QMessageBox::Information;
    QMessageBox reason(icon, QString::fromStdString(refused.title), MessageText(refused.text),
                       QMessageBox::Ok, &main);
    reason.show();
    Grab(reason, "main-notes-database");
    reason.close();
  }

  QMessageBox exitQuestion(QMessageBox::Information, QString::fromUtf8(text::kExitTitle),
                           QString::fromUtf8(text::kExitQuestion), QMessageBox::Yes | QMessageBox::No, &main);
  exitQuestion.show();
  Grab(exitQuestion, "exit-question");
  exitQuestion.close();
  work.removeRecursively();
  return 0;
}
