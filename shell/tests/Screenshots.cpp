// Drives the windows through the main flow and saves a picture of each step:
//   mailshift-screenshots OUTPUT_FOLDER
//   mailshift-screenshots --screen FILE.png     (a picture of the whole screen, whoever drew it)
// Run it on a display (for example under xvfb-run) to see the windows as a user does.
#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QScreen>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>
#include <cstdio>

#include "ShellTestSupport.h"
#include "shell/Artwork.h"
#include "shell/ProgramWindows.h"
#include "shell/frmAbout.h"
#include "shell/frmSave.h"
#include "shell/frmSplash.h"

using namespace mailshift;
using namespace mailshift::shell;
using namespace mailshift::shell::testing;

namespace {

QDir output;

void Save(const QPixmap& picture, const char* name) {
  const QString path = output.filePath(QString::fromLatin1(name) + QStringLiteral(".png"));
  if (!picture.save(path)) std::fprintf(stderr, "could not write %s\n", qPrintable(path));
  std::printf("%s\n", qPrintable(path));
}

void Settle() {
  for (int i = 0; i < 5; ++i) {
    QCoreApplication::processEvents();
    QTest::qWait(30);
  }
}

void Grab(QWidget& window, const char* name) {
  Settle();
  Save(window.grab(), name);
}

// A mailbox like a user's: the standard folders and a few folders of their own.
void AddSampleMailbox(notes::testing::MemoryNotesClient& client, const std::string& path) {
  using notes::testing::MemoryDocument;
  auto& db = client.AddDatabase(path);
  db.title = "Mail - Ann Lee";
  const char* subjects[] = {"Quarterly budget review",  "Re: Offsite agenda",
                            "Team lunch on Friday",     "Contract draft v3 (attached)",
                            "Fw: Travel arrangements",  "Minutes of the board meeting",
                            "Re: Re: Server migration", "Welcome aboard, Cy!",
                            "Invoice 2008-114",         "Holiday schedule",
                            "Re: Customer feedback",    "Project kickoff"};
  const char* senders[] = {"Bob Ray/Sales/Corvane", "cy.orr@example.com", "Dana Fox/IT/Corvane",
                           "eve@example.org"};
  std::vector<std::size_t> inbox;
  for (int i = 0; i < 12; ++i) {
    MemoryDocument document;
    document.Text("Subject", {subjects[i]})
        .Text("From", {senders[i % 4]})
        .Text("SendTo", {"Ann Lee/Corvane"});
    document.Date("PostedDate", DateTime{1225702800 + i * 97200 + i * 37 * 60, 60});
    document.size = 1200 + i * 2900;
    inbox.push_back(db.AddDocument(document));
  }
  db.AddView("($Inbox)", true, inbox);
  db.AddView("($Sent)", true, {inbox[1], inbox[4], inbox[6]});
  db.AddView("($Drafts)", true, {inbox[3]});
  db.AddView("($Trash)", true, {inbox[9]});
  db.AddView("($JunkMail)", true, {});
  db.AddView("($Follow-Up)", true, {inbox[0]});
  db.AddView("Projects", true, {inbox[11]});
  db.AddView("Projects\\2008", true, {inbox[3], inbox[8]});
  db.AddView("Customers", true, {inbox[10]});
  db.AddView("Archive", true, {});
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setStyle(QStringLiteral("Fusion"));
  QApplication::setWindowIcon(ProgramIcon());
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s OUTPUT_FOLDER | --screen FILE.png\n", argv[0]);
    return 2;
  }
  if (argc == 3 && QString::fromLocal8Bit(argv[1]) == QStringLiteral("--screen")) {
    const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
    return screen.save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
  }
  output = QDir(QString::fromLocal8Bit(argv[1]));
  output.mkpath(QStringLiteral("."));

  TestServices t;
  const std::string path = "/home/ann/mail/ann.nsf";
  AddSampleMailbox(t.notes, path);
  ProgramWindows windows(t.services, t.state);

  frmSplash splash([&] { windows.ShowMain(); }, 60000);
  splash.show();
  Grab(splash, "splash");
  QTest::keyClick(&splash, Qt::Key_Space);
  frmMain& main = *windows.Main();
  Grab(main, "main-start");

  t.fileDialog.answers = {path};
  main.CmdBrowse_Click();
  Grab(main, "main-file-chosen");
  main.CmdScan_Click();
  auto* tabs = main.findChild<QTabWidget*>(QStringLiteral("NotesTab"));
  tabs->setCurrentIndex(0);
  Grab(main, "main-scanned");
  tabs->setCurrentIndex(1);
  auto* tree = main.findChild<QTreeWidget*>(QStringLiteral("ContactsTreeView"));
  tree->setCurrentItem(tree->topLevelItem(0)->child(0));
  main.ContactsTreeView_Click();
  Grab(main, "main-preview");

  frmAbout about(&main);
  about.show();
  Grab(about, "about");
  about.close();

  frmSave save(&main, ExportContext{t.services, t.state, [&] { return path; }});
  save.show();
  Grab(save, "export-window");
  save.close();

  QMessageBox exitQuestion(QMessageBox::Information, QStringLiteral("Corvane Quillon"),
                           QStringLiteral("Are you sure you want to close the software"),
                           QMessageBox::Yes | QMessageBox::No, &main);
  exitQuestion.show();
  Grab(exitQuestion, "exit-question");
  exitQuestion.close();
  return 0;
}
