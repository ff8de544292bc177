// The whole flow through the real windows over the stand-in Notes client: browse, scan, preview,
// uncheck, export, completion; and the ends of an export that fails.
#include <QAbstractItemModel>
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPushButton>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QTreeWidget>
#include <chrono>
#include <deque>
#include <filesystem>
#include <functional>

#include "ShellTestSupport.h"
#include "platform/standin/StandInNotesClient.h"
#include "platform/standin/StoreFixture.h"
#include "shell/frmMain.h"
#include "shell/frmSave.h"

namespace mailshift::shell::testing {
namespace {

constexpr const char* kMailbox = R"json({
  "title": "Mail - Ann Lee",
  "views": [
    {"name": "($Inbox)", "folder": true, "documents": ["hello", "budget"]},
    {"name": "($Sent)", "folder": true, "documents": ["reply"]},
    {"name": "($Drafts)", "folder": true, "documents": ["draft"]},
    {"name": "($Trash)", "folder": true, "documents": ["old"]},
    {"name": "($JunkMail)", "folder": true, "documents": []},
    {"name": "($Follow-Up)", "folder": true, "documents": []},
    {"name": "Projects", "folder": true, "documents": ["kickoff"]},
    {"name": "Projects\\2008", "folder": true, "documents": ["budget", "plan"]},
    {"name": "Private", "folder": true, "documents": ["secret"]},
    {"name": "($All)", "folder": false, "documents": ["hello", "budget", "reply"]}
  ],
  "documents": [
    {"id": "hello", "size": 2048, "items": [
      {"name": "Subject", "text": ["Hello Ann"]}, {"name": "From", "text": ["Bob Ray/Sales/Corvane"]},
      {"name": "SendTo", "text": ["Ann Lee/Corvane"]},
      {"name": "PostedDate", "datetime": ["2008-11-05T14:30:00+00:00"]},
      {"name": "Body", "richtext": "Hello there"}]},
    {"id": "budget", "size": 4096, "items": [
      {"name": "Subject", "text": ["Budget 2008"]}, {"name": "From", "text": ["cy.orr@example.com"]},
      {"name": "SendTo", "text": ["Ann Lee/Corvane"]},
      {"name": "PostedDate", "datetime": ["2008-11-06T09:00:00+00:00"]},
      {"name": "Body", "richtext": "See the plan.",
       "embedded": [{"name": "plan.xls", "base64": "UGxhbiBmb3IgMjAwOA=="}]}]},
    {"id": "reply", "items": [
      {"name": "Subject", "text": ["Re: Hello Ann"]}, {"name": "From", "text": ["Ann Lee/Corvane"]},
      {"name": "SendTo", "text": ["Bob Ray/Sales/Corvane"]},
      {"name": "PostedDate", "datetime": ["2008-11-05T15:00:00+00:00"]},
      {"name": "Body", "richtext": "Thanks"}]},
    {"id": "draft", "items": [
      {"name": "Subject", "text": ["Unfinished"]}, {"name": "SendTo", "text": ["dana@example.org"]},
      {"name": "$Revisions", "datetime": ["2008-11-07T10:00:00+00:00"]},
      {"name": "Body", "richtext": "Draft text"}]},
    {"id": "old", "items": [{"name": "Subject", "text": ["Old news"]}, {"name": "Body", "richtext": "x"}]},
    {"id": "kickoff", "items": [{"name": "Subject", "text": ["Kickoff"]}, {"name": "Body", "richtext": "Go"}]},
    {"id": "plan", "items": [{"name": "Subject", "text": ["Plan: phase 1"]}, {"name": "Body", "richtext": "y"}]},
    {"id": "secret", "items": [{"name": "Subject", "text": ["Private note"]}, {"name": "Body", "richtext": "z"}]}
  ]
})json";

// A second mailbox, for the choice of another database.
constexpr const char* kOtherMailbox = R"json({
  "title": "Mail - Bob Ray",
  "views": [
    {"name": "($Inbox)", "folder": true, "documents": ["note"]},
    {"name": "($Sent)", "folder": true, "documents": []},
    {"name": "($Drafts)", "folder": true, "documents": []},
    {"name": "($Trash)", "folder": true, "documents": []},
    {"name": "($JunkMail)", "folder": true, "documents": []},
    {"name": "($Follow-Up)", "folder": true, "documents": []}
  ],
  "documents": [
    {"id": "note", "items": [{"name": "Subject", "text": ["For Bob"]}, {"name": "Body", "richtext": "b"}]}
  ]
})json";

// The .eml files under a folder, as paths relative to it.
QStringList MessageFiles(const QString& folder) {
  QStringList files;
  QDirIterator it(folder, {QStringLiteral("*.eml")}, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) files << QDir(folder).relativeFilePath(it.next());
  files.sort();
  return files;
}

QStringList FolderNames(const QString& folder) {
  return QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
}

// Clicks a node of the tree as the user does.
void ClickNode(QTreeWidget& tree, QTreeWidgetItem* item) {
  tree.scrollToItem(item);
  QTest::mouseClick(tree.viewport(), Qt::LeftButton, {}, tree.visualItemRect(item).center());
}

QTreeWidgetItem* NodeNamed(QTreeWidget& tree, const QString& text) {
  const auto found = tree.findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
  if (found.size() != 1) qFatal("no single node %s", qPrintable(text));
  return found.front();
}

// Hands each message on to the real writer and runs `after` once the given number is written.
class WriterWithPause final : public mail::EmailItemWriter {
 public:
  WriterWithPause(mail::EmailItemWriter& writer, int count) : writer_(writer), after_(count) {}
  mail::WriteOutcome CreateEmailItem(const std::string& root, const std::string& folder,
                                     const mail::EmailItem& fields) override {
    mail::WriteOutcome outcome = writer_.CreateEmailItem(root, folder, fields);
    if (++written_ == after_ && after) after();
    return outcome;
  }
  std::function<void()> after;

 private:
  mail::EmailItemWriter& writer_;
  int after_;
  int written_ = 0;
};

// The mail core of the test, recording the folders previewed in the order the previews start.
class PreviewRecordingCore final : public MailCore {
 public:
  explicit PreviewRecordingCore(MailCore& core) : core_(core) {}
  notes::ScanResult Scan(const std::string& path, notes::ScanObserver& observer) override {
    return core_.Scan(path, observer);
  }
  notes::PreviewResult Preview(const notes::ScanResult& scan, const std::string& tag) override {
    previewed.push_back(tag);
    return core_.Preview(scan, tag);
  }
  bool DatabaseChanged(const std::string& path, const std::optional<FileStamp>& scanned) override {
    return core_.DatabaseChanged(path, scanned);
  }
  std::optional<FileStamp> DatabaseStamp(const std::string& path) override {
    return core_.DatabaseStamp(path);
  }
  mail::ExportReport Export(const mail::ExportPlan& plan, mail::ExportObserver& observer) override {
    return core_.Export(plan, observer);
  }
  std::string CompletionText(const mail::ExportReport& report) override {
    return core_.CompletionText(report);
  }
  std::string DestinationProblem(const std::string& destination) override {
    return core_.DestinationProblem(destination);
  }
  std::string DestinationMessage(const std::string& destination, const std::string& problem) override {
    return core_.DestinationMessage(destination, problem);
  }
  std::string OutputRootOf(const std::string& destination, const std::string& title) override {
    return core_.OutputRootOf(destination, title);
  }
  bool HasEarlierExport(const std::string& outputRoot) override { return core_.HasEarlierExport(outputRoot); }
  std::vector<std::string> previewed;

 private:
  MailCore& core_;
};

// Runs `trigger`, which opens the export window modally, and `inside` on that window while it is
// open. A window still open after a while is closed, and the test fails.
QString WithExportWindow(const std::function<void()>& trigger, const std::function<void(frmSave&)>& inside) {
  QString problem = QStringLiteral("the export window did not open");
  QObject scope;  // the look inside ends with this call, whether the window opened or not
  QTimer::singleShot(0, &scope, [&] {
    auto* window = qobject_cast<frmSave*>(QApplication::activeModalWidget());
    if (window == nullptr) return;
    problem.clear();
    inside(*window);
  });
  QTimer watchdog;
  watchdog.setSingleShot(true);
  QObject::connect(&watchdog, &QTimer::timeout, [&] {
    if (auto* window = qobject_cast<frmSave*>(QApplication::activeModalWidget())) {
      problem = QStringLiteral("the export window stayed open");
      window->reject();
    }
  });
  watchdog.start(30000);
  trigger();
  return problem;
}

// Records what the export window's labels show each time they are painted.
class PaintRecorder : public QObject {
 public:
  PaintRecorder(frmSave& window) : window_(window) {
    for (const char* name : {"LblSaveHeader", "LblProcessing", "LblCurrent"}) {
      Find<QLabel>(window, name)->installEventFilter(this);
    }
  }

  bool eventFilter(QObject* watched, QEvent* event) override {
    if (event->type() == QEvent::Paint && window_.Presenter().Running()) {
      const auto* label = qobject_cast<QLabel*>(watched);
      painted << label->objectName() + QStringLiteral(": ") + label->text();
      modalDuringRun = modalDuringRun && QApplication::activeModalWidget() == &window_;
    }
    return false;
  }

  bool Painted(const QString& line) const { return painted.contains(line); }

  QStringList painted;
  bool modalDuringRun = true;

 private:
  frmSave& window_;
};

}  // namespace

class EndToEndTest : public QObject {
  Q_OBJECT

 private:
  QTemporaryDir work_;
  QString store_;
  QString otherStore_;
  standin::StandInNotesClient standIn_;

  std::deque<RealMailCore> cores_;

  // The services of the test over the stand-in client, with the given message writer.
  ShellServices WithStandIn(TestServices& t, mail::EmailItemWriter* writer = nullptr) {
    const ShellServices& s = t.services;
    RealMailCore& core = cores_.emplace_back(standIn_, writer != nullptr ? *writer : t.writer);
    return ShellServices{s.Messages, s.FileDialog, s.Folders,       s.Desktop,   s.Wait,
                         core,       s.LogPath,    s.ProgramFolder, s.EndProgram};
  }

  // Browse and scan over the sample mailbox.
  void Scan(frmMain& window, TestServices& t) {
    window.show();
    t.fileDialog.answers = {store_.toStdString()};
    window.Presenter().CmdBrowse_Click();
    window.Presenter().CmdScan_Click();
    t.messages.shown.clear();
  }

 private slots:
  void initTestCase() {
    QVERIFY(work_.isValid());
    store_ = QDir(work_.path()).filePath(QStringLiteral("Ann Lee.nsf"));
    standin::BuildStoreFromText(kMailbox, store_.toStdString());
    QVERIFY(QFile::exists(store_));
    otherStore_ = QDir(work_.path()).filePath(QStringLiteral("Bob Ray.nsf"));
    standin::BuildStoreFromText(kOtherMailbox, otherStore_.toStdString());
  }

  void browseScanPreviewUncheckAndExport() {
    TestServices t;
    ShellServices services = WithStandIn(t);
    frmMain window(services);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    // Browse
    t.fileDialog.answers = {store_.toStdString()};
    QTest::mouseClick(Find<QPushButton>(window, "CmdBrowse"), Qt::LeftButton);
    QCOMPARE(Find<QLineEdit>(window, "txtNotesDatabaseFile")->text(), store_);

    // Scan
    QTest::mouseClick(Find<QPushButton>(window, "CmdScan"), Qt::LeftButton);
    QCOMPARE(ShownMessages(t.messages),
             QStringLiteral("Scan Completed... | Notes Database Scan Completed Successfully"));
    QCOMPARE(window.Presenter().LastScan()->title, std::string("Mail - Ann Lee"));
    auto& tree = *Find<QTreeWidget>(window, "ContactsTreeView");
    QStringList outline;
    for (QTreeWidgetItemIterator it(&tree); *it; ++it) {
      int depth = 0;
      for (auto* up = (*it)->parent(); up; up = up->parent()) ++depth;
      outline << QString(depth * 2, QLatin1Char(' ')) +
                     ((*it)->checkState(0) == Qt::Checked ? "[x] " : "[ ] ") + (*it)->text(0);
    }
    QCOMPARE(outline,
             (QStringList{"[x] Notes Email Database", "  [x] Inbox (2)", "  [x] Drafts (1)", "  [x] Sent (1)",
                          "  [x] Follow Up (0)", "  [x] Junk Mail (0)", "  [x] Trash (1)", "  [x] Folders",
                          "    [x] Private (1)", "    [x] Projects (1)", "      [x] 2008 (2)"}));

    // Preview
    auto* list = Find<QTableView>(window, "MailList")->model();
    ClickNode(tree, NodeNamed(tree, QStringLiteral("Inbox (2)")));
    QCOMPARE(list->rowCount(), 2);
    QCOMPARE(list->index(0, 1).data().toString(), QStringLiteral("Hello Ann"));
    QCOMPARE(list->index(1, 0).data().toString(), QStringLiteral("cy.orr@example.com"));
    QCOMPARE(list->index(1, 2).data().toString(), QStringLiteral("4 KB"));
    ClickNode(tree, NodeNamed(tree, QStringLiteral("Drafts (1)")));
    QCOMPARE(list->rowCount(), 1);
    QCOMPARE(list->index(0, 0).data().toString(), QStringLiteral("dana@example.org"));

    // Uncheck Private and Trash: select each node, then Space toggles its box.
    for (const char* node : {"Private (1)", "Trash (1)"}) {
      QTreeWidgetItem* item = NodeNamed(tree, QString::fromLatin1(node));
      ClickNode(tree, item);
      QTest::keyClick(tree.viewport(), Qt::Key_Space);
      QCOMPARE(item->checkState(0), Qt::Unchecked);
    }

    // Export
    QTemporaryDir destination;
    t.folderPicker.answers = {destination.path().toStdString()};
    t.messages.shown.clear();
    std::unique_ptr<PaintRecorder> recorder;
    QString captionsAtOpen;
    QString finalLabels;
    mail::ExportPlan plan;
    const QString problem = WithExportWindow(
        [&] { QTest::mouseClick(Find<QPushButton>(window, "CmdStartConversion"), Qt::LeftButton); },
        [&](frmSave& exportWindow) {
          plan = exportWindow.Presenter().Plan();
          captionsAtOpen = Find<QLabel>(exportWindow, "LblSaveHeader")->text() + QLatin1Char('|') +
                           Find<QLabel>(exportWindow, "LblProcessing")->text();
          if (!QTest::qWaitForWindowExposed(&exportWindow)) return;
          recorder = std::make_unique<PaintRecorder>(exportWindow);
          QTest::mouseClick(Find<QPushButton>(exportWindow, "CmdConversion"), Qt::LeftButton);
          // The end of the run shows in the labels: the messages found and the files written.
          finalLabels = Find<QLabel>(exportWindow, "LblSaveHeader")->text() + QLatin1Char('|') +
                        Find<QLabel>(exportWindow, "LblProcessing")->text() + QLatin1Char('|') +
                        Find<QLabel>(exportWindow, "LblFound")->text() + QLatin1Char('|') +
                        Find<QLabel>(exportWindow, "LblCurrent")->text();
          // After the completion message the window offers the output folder and the log.
          QVERIFY(Find<QPushButton>(exportWindow, "CmdOpenFolder")->isVisible());
          QVERIFY(!Find<QPushButton>(exportWindow, "CmdConversion")->isVisible());
          QTest::mouseClick(Find<QPushButton>(exportWindow, "CmdOpenFolder"), Qt::LeftButton);
          QTest::mouseClick(Find<QPushButton>(exportWindow, "CmdOpenLog"), Qt::LeftButton);
          QTest::mouseClick(Find<QPushButton>(exportWindow, "CmdClose"), Qt::LeftButton);
        });
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(t.folderPicker.titles, (std::vector<std::string>{"Select Path to Save PST File"}));
    QCOMPARE(plan.destination, destination.path().toStdString());
    QCOMPARE(plan.folders, (std::vector<std::string>{"Inbox", "Drafts", "Sent", "Follow-Up", "JunkMail",
                                                     "Folders", "Projects", "Projects\\2008"}));
    QCOMPARE(captionsAtOpen, QStringLiteral("Checking Configuration...|"));
    QCOMPARE(finalLabels, QStringLiteral("Export Finished||7|7/7"));

    // The labels were painted as the run went, while the export window kept every other command out.
    QVERIFY(recorder->modalDuringRun);
    QVERIFY2(recorder->Painted(
                 QStringLiteral("LblSaveHeader: Saving Emails (Custom Folders)... [Projects\\2008]")),
             qPrintable(recorder->painted.join('\n')));
    QVERIFY(recorder->Painted(QStringLiteral("LblSaveHeader: Saving Emails (Inbox)...")));
    QVERIFY(recorder->Painted(QStringLiteral("LblSaveHeader: Saving Emails (Drafts)...")));
    QVERIFY(!recorder->Painted(QStringLiteral("LblSaveHeader: Saving Emails (Deleted Items)...")));

    // Completion: the message, Open Folder and Open Log through the desktop, then Close.
    const QString root = QDir(destination.path()).filePath(QStringLiteral("Mail - Ann Lee"));
    QCOMPARE(t.desktop.opened, (std::vector<QString>{root + QDir::separator(), t.LogFile()}));
    QCOMPARE(t.messages.shown.size(), std::size_t{1});
    QCOMPARE(t.messages.shown.front().title, std::string("Export to Outlook Express"));
    QVERIFY2(t.messages.shown.front().text.rfind("Migration Completed Successfully !\r\n", 0) == 0,
             t.messages.shown.front().text.c_str());
    QVERIFY(t.messages.shown.front().text.find("Mail - Ann Lee") != std::string::npos);
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    QVERIFY(window.findChild<frmSave*>() == nullptr);

    QCOMPARE(FolderNames(root), (QStringList{"Drafts", "Follow Up", "Inbox", "Junk Mail", "Projects",
                                             "Projects-2008", "Sent Items"}));
    const QStringList files = MessageFiles(root);
    QCOMPARE(files.size(), 7);
    const auto countIn = [&](const QString& folder) {
      return files.filter(QRegularExpression(QStringLiteral("^") + QRegularExpression::escape(folder) + "/"))
          .size();
    };
    QCOMPARE(countIn(QStringLiteral("Inbox")), 2);
    QCOMPARE(countIn(QStringLiteral("Sent Items")), 1);
    QCOMPARE(countIn(QStringLiteral("Drafts")), 1);
    QCOMPARE(countIn(QStringLiteral("Projects")), 1);
    QCOMPARE(countIn(QStringLiteral("Projects-2008")), 2);
    QVERIFY(files.filter(QStringLiteral("Inbox/Budget 2008")).size() == 1);
    QVERIFY(files.filter(QStringLiteral("Projects-2008/Plan phase 1")).size() == 1);

    QFile log(t.LogFile());
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QByteArray logText = log.readAll();
    QVERIFY(logText.contains("Created : Folder[Projects\\2008]\r\n"));
    QVERIFY(logText.contains("\tEmail Subject : SUBJECT[Hello Ann]\r\n"));
    QVERIFY(!logText.contains("Private"));
    QVERIFY(logText.endsWith("Done\r\n"));

    // The main window is as it was: the preview is still there and Export can run again.
    QCOMPARE(Find<QTabWidget>(window, "NotesTab")->currentIndex(), 1);
    QVERIFY(Find<QToolBar>(window, "NotesToolBar")->actions().at(3)->isEnabled());
  }

  void anotherDatabaseIsExportedOnlyOnceScannedAndAsScanned() {
    TestServices t;
    ShellServices services = WithStandIn(t);
    frmMain window(services);
    Scan(window, t);
    auto& tree = *Find<QTreeWidget>(window, "ContactsTreeView");
    ClickNode(tree, NodeNamed(tree, QStringLiteral("Inbox (2)")));
    QCOMPARE(Find<QTableView>(window, "MailList")->model()->rowCount(), 2);
    QAction* exportButton = Find<QToolBar>(window, "NotesToolBar")->actions().at(3);

    // Ctrl+O takes the other file: nothing of the first one's scan stays to be seen or exported.
    t.fileDialog.answers = {otherStore_.toStdString()};
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QTest::keyClick(&window, Qt::Key_O, Qt::ControlModifier);
    QCOMPARE(Find<QLineEdit>(window, "txtNotesDatabaseFile")->text(), otherStore_);
    QVERIFY(!exportButton->isEnabled());
    QCOMPARE(tree.topLevelItemCount(), 0);
    QCOMPARE(Find<QTableView>(window, "MailList")->model()->rowCount(), 0);
    QVERIFY(!Find<QGroupBox>(window, "ScanFrame")->isVisible());
    QVERIFY(!Find<QTabWidget>(window, "NotesTab")->isTabEnabled(1));
    window.Presenter().Run(Command::Export);
    QCOMPARE(ShownMessages(t.messages),
             QStringLiteral(
                 "Select Notes Database | Please select a Notes database and click Start Scan to proceed."));
    QVERIFY(t.folderPicker.titles.empty());

    // Scanned, it is exported under its own title.
    t.messages.shown.clear();
    QTest::mouseClick(Find<QPushButton>(window, "CmdScan"), Qt::LeftButton);
    QVERIFY(exportButton->isEnabled());
    QTemporaryDir destination;
    t.folderPicker.answers = {destination.path().toStdString()};
    mail::ExportPlan plan;
    const QString problem = WithExportWindow([&] { exportButton->trigger(); },
                                             [&](frmSave& exportWindow) {
                                               plan = exportWindow.Presenter().Plan();
                                               exportWindow.reject();
                                             });
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(plan.databasePath, otherStore_.toStdString());
    QCOMPARE(plan.title, std::string("Mail - Bob Ray"));
    QCOMPARE(plan.folders.front(), std::string("Inbox"));

    // The file changed on disk since: the export says so and exports nothing.
    const std::filesystem::path file(otherStore_.toStdString());
    std::filesystem::last_write_time(file, std::filesystem::last_write_time(file) + std::chrono::hours(1));
    t.messages.shown.clear();
    t.folderPicker.answers = {destination.path().toStdString()};
    exportButton->trigger();
    QVERIFY(QApplication::activeModalWidget() == nullptr);
    QVERIFY2(t.messages.shown.size() == 1 &&
                 t.messages.shown[0].text.rfind("The database has changed since it was scanned:", 0) == 0,
             qPrintable(ShownMessages(t.messages)));
    QVERIFY(MessageFiles(destination.path()).isEmpty());
    QVERIFY(!exportButton->isEnabled());
    QCOMPARE(Find<QTabWidget>(window, "NotesTab")->currentIndex(), 0);
  }

  void keysPressedWhileAFolderLoadsWaitForIt() {
    TestServices t;
    const ShellServices standIn = WithStandIn(t);
    PreviewRecordingCore core(standIn.Core);
    ShellServices services{standIn.Messages, standIn.FileDialog,    standIn.Folders,
                           standIn.Desktop,  standIn.Wait,          core,
                           standIn.LogPath,  standIn.ProgramFolder, standIn.EndProgram};
    frmMain window(services);
    Scan(window, t);
    auto& tree = *Find<QTreeWidget>(window, "ContactsTreeView");
    ClickNode(tree, NodeNamed(tree, QStringLiteral("Inbox (2)")));
    // Five quick Down presses, all queued before the first folder has loaded.
    for (int press = 0; press < 5; ++press) {
      QCoreApplication::postEvent(&tree, new QKeyEvent(QEvent::KeyPress, Qt::Key_Down, Qt::NoModifier));
      QCoreApplication::postEvent(&tree, new QKeyEvent(QEvent::KeyRelease, Qt::Key_Down, Qt::NoModifier));
    }
    QTRY_COMPARE(tree.currentItem()->text(0), QStringLiteral("Trash (1)"));
    QTest::qWait(100);
    QCOMPARE(tree.currentItem()->text(0), QStringLiteral("Trash (1)"));
    auto* list = Find<QTableView>(window, "MailList")->model();
    QCOMPARE(list->rowCount(), 1);
    QCOMPARE(list->index(0, 1).data().toString(), QStringLiteral("Old news"));
    // Each key waited for the load before it: the folders loaded one after another, in order,
    // none in the middle of another.
    QCOMPARE(core.previewed,
             (std::vector<std::string>{"Inbox", "Drafts", "Sent", "Follow-Up", "JunkMail", "Trash"}));
  }

  void theKeysPreviewMoveAndSortTheList() {
    TestServices t;
    ShellServices services = WithStandIn(t);
    frmMain window(services);
    Scan(window, t);
    auto& tree = *Find<QTreeWidget>(window, "ContactsTreeView");
    auto* view = Find<QTableView>(window, "MailList");
    auto* list = view->model();

    // Down from Inbox to Drafts lists the drafts, as a click would.
    ClickNode(tree, NodeNamed(tree, QStringLiteral("Inbox (2)")));
    QCOMPARE(list->rowCount(), 2);
    QTest::keyClick(&tree, Qt::Key_Down);
    QCOMPARE(tree.currentItem()->text(0), QStringLiteral("Drafts (1)"));
    QCOMPARE(list->rowCount(), 1);
    QCOMPARE(list->index(0, 0).data().toString(), QStringLiteral("dana@example.org"));
    QTest::keyClick(&tree, Qt::Key_Up);
    QCOMPARE(list->rowCount(), 2);

    // End and Home go to the last and the first row.
    view->setFocus();
    view->setCurrentIndex(list->index(0, 1));
    QTest::keyClick(view, Qt::Key_End);
    QCOMPARE(view->currentIndex().row(), 1);
    QTest::keyClick(view, Qt::Key_Home);
    QCOMPARE(view->currentIndex().row(), 0);

    // A click on the Size header sorts by size, a second one the other way round.
    QHeaderView* header = view->horizontalHeader();
    const auto clickHeader = [&](int section) {
      QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                        QPoint(header->sectionViewportPosition(section) + 10, header->height() / 2));
    };
    clickHeader(2);
    const QString first = list->index(0, 2).data().toString();
    clickHeader(2);
    const QString second = list->index(0, 2).data().toString();
    QCOMPARE((QStringList{first, second}), (QStringList{"2 KB", "4 KB"}));
    QCOMPARE(list->index(0, 1).data().toString(), QStringLiteral("Budget 2008"));
    // The next folder comes in its own order.
    ClickNode(tree, NodeNamed(tree, QStringLiteral("Inbox (2)")));
    QCOMPARE(header->sortIndicatorSection(), -1);
  }

  void aDatabaseDroppedOnTheWindowIsTakenAsIfChosen() {
    TestServices t;
    ShellServices services = WithStandIn(t);
    frmMain window(services);
    window.show();
    const auto drop = [&](const QString& file) {
      QMimeData data;
      data.setUrls({QUrl::fromLocalFile(file)});
      QDragEnterEvent enter(QPoint(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(&window, &enter);
      QDropEvent dropped(QPointF(20, 20), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(&window, &dropped);
      return enter.isAccepted();
    };
    QVERIFY(!drop(QDir(work_.path()).filePath(QStringLiteral("notes.txt"))));
    QCOMPARE(Find<QLineEdit>(window, "txtNotesDatabaseFile")->text(), QString());
    QVERIFY(drop(store_));
    QCOMPARE(Find<QLineEdit>(window, "txtNotesDatabaseFile")->text(), store_);
    QVERIFY(Find<QPushButton>(window, "CmdScan")->isEnabled());
    QVERIFY(t.fileDialog.filters.empty());
  }

  void cancelEscAndCloseStopTheRunWithHonestCounts() {
    for (const char* way : {"Cancel", "Esc", "close"}) {
      TestServices t;
      WriterWithPause writer(t.writer, 1);
      ShellServices services = WithStandIn(t, &writer);
      frmMain window(services);
      Scan(window, t);
      QTemporaryDir destination;
      mail::ExportPlan plan;
      plan.databasePath = store_.toStdString();
      plan.title = window.Presenter().LastScan()->title;
      plan.folders = {"Inbox", "Projects\\2008"};
      plan.destination = destination.path().toStdString();
      plan.logPath = services.LogPath;
      ExportPresenter presenter(services.Core, plan, window.Presenter().LastScan()->stamp);
      frmSave exportWindow(&window, presenter, services);
      exportWindow.show();
      QVERIFY(QTest::qWaitForWindowExposed(&exportWindow));
      QStringList seen;
      writer.after = [&] {
        auto* cancel = Find<QPushButton>(exportWindow, "CmdCancel");
        seen << QStringLiteral("cancel shown=%1").arg(cancel->isVisible());
        // Other commands wait while the run goes.
        QTest::mouseClick(Find<QPushButton>(window, "CmdBrowse"), Qt::LeftButton);
        QTest::mouseClick(Find<QPushButton>(exportWindow, "CmdConversion"), Qt::LeftButton);
        seen << QStringLiteral("stop before=%1").arg(presenter.StopWasRequested());
        if (QLatin1String(way) == QLatin1String("Cancel")) {
          QTest::mouseClick(cancel, Qt::LeftButton);
        } else if (QLatin1String(way) == QLatin1String("Esc")) {
          QTest::keyClick(&exportWindow, Qt::Key_Escape);
        } else {
          seen << QStringLiteral("closed=%1").arg(exportWindow.close());
        }
        seen << QStringLiteral("stop after=%1 open=%2")
                    .arg(presenter.StopWasRequested())
                    .arg(exportWindow.isVisible());
      };
      presenter.CmdConversion_Click();
      QStringList expected{"cancel shown=1", "stop before=0"};
      if (QLatin1String(way) == QLatin1String("close")) expected << "closed=0";
      expected << "stop after=1 open=1";
      QCOMPARE(seen, expected);
      QVERIFY2(t.fileDialog.filters.size() == 1, way);  // the scan's Browse only
      QVERIFY(presenter.LastReport().has_value());
      QVERIFY(!Find<QPushButton>(exportWindow, "CmdCancel")->isVisible());

      // The run stopped after the message it was on, kept it, and says what was left.
      const mail::ExportReport& result = *presenter.LastReport();
      QVERIFY(result.stopped);
      QCOMPARE(result.written(), std::int64_t{1});
      QCOMPARE(result.left, std::int64_t{3});
      QCOMPARE(MessageFiles(destination.path()).size(), 1);
      QCOMPARE(t.messages.shown.size(), std::size_t{1});
      const std::string& text = t.messages.shown.front().text;
      QVERIFY2(text.rfind("Migration Stopped !\r\n1 message written, 0 not written, 3 left.\r\n", 0) == 0,
               text.c_str());
      // The log holds the count of what was left, and the message says no more of it.
      QVERIFY2(text.find("The export log is ") != std::string::npos, text.c_str());
      QCOMPARE(Find<QLabel>(exportWindow, "LblSaveHeader")->text(), QStringLiteral("Export Stopped"));
      QCOMPARE(Find<QLabel>(exportWindow, "LblFound")->text(), QStringLiteral("4"));
      QCOMPARE(Find<QLabel>(exportWindow, "LblCurrent")->text(), QStringLiteral("1/4"));
      QVERIFY(Find<QPushButton>(exportWindow, "CmdOpenFolder")->isVisible());
      QVERIFY(Find<QPushButton>(exportWindow, "CmdOpenLog")->isEnabled());
    }
  }

  void followUpAndJunkMailAreExportedAndAnUnwritableDestinationIsRefusedFirst() {
    TestServices t;
    const std::string path = "/mail/flags.nsf";
    auto& db = t.notes.AddDatabase(path);
    db.title = "Flags";
    for (const char* view : {"($Inbox)", "($Drafts)", "($Sent)", "($Trash)"}) db.AddView(view, true);
    db.AddView("($Follow-Up)", true,
               {db.AddDocument(notes::testing::MemoryDocument{}.Text("Subject", {"Call back"}))});
    db.AddView("($JunkMail)", true,
               {db.AddDocument(notes::testing::MemoryDocument{}.Text("Subject", {"Win now"}))});
    frmMain window(t.services);
    window.show();
    t.fileDialog.answers = {path};
    window.Presenter().CmdBrowse_Click();
    window.Presenter().CmdScan_Click();
    t.messages.shown.clear();
    // Only the two flagged folders stay checked.
    auto& tree = *Find<QTreeWidget>(window, "ContactsTreeView");
    tree.topLevelItem(0)->setCheckState(0, Qt::Unchecked);
    NodeNamed(tree, QStringLiteral("Follow Up (1)"))->setCheckState(0, Qt::Checked);
    NodeNamed(tree, QStringLiteral("Junk Mail (1)"))->setCheckState(0, Qt::Checked);

    // A destination that cannot be written is said at once, and no export window opens.
    QTemporaryDir scratch;
    const QString file = scratch.filePath(QStringLiteral("a file"));
    QFile(file).open(QIODevice::WriteOnly);
    t.folderPicker.answers = {(file + QStringLiteral("/below")).toStdString()};
    QCOMPARE(WithExportWindow([&] { window.Presenter().CmdStartConversion_Click(); }, [](frmSave&) {}),
             QStringLiteral("the export window did not open"));
    QCOMPARE(t.messages.shown.size(), std::size_t{1});
    QVERIFY(t.messages.shown[0].text.rfind("The destination folder cannot be written:\r\n", 0) == 0);
    QVERIFY(!QFileInfo::exists(file + QStringLiteral("/below")));

    t.folderPicker.answers = {scratch.path().toStdString()};
    const QString problem = WithExportWindow(
        [&] { window.Presenter().CmdStartConversion_Click(); },
        [&](frmSave& exportWindow) {
          QTest::mouseClick(Find<QPushButton>(exportWindow, "CmdConversion"), Qt::LeftButton);
          QTest::mouseClick(Find<QPushButton>(exportWindow, "CmdClose"), Qt::LeftButton);
        });
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QVERIFY2(t.messages.shown.back().text.rfind("Migration Completed Successfully !\r\n2 messages written",
                                                0) == 0,
             t.messages.shown.back().text.c_str());
    const QStringList files = MessageFiles(scratch.path());
    QCOMPARE(files.size(), 2);
    QVERIFY2(files[0].startsWith(QStringLiteral("Flags/Follow Up/Call back")), qPrintable(files[0]));
    QVERIFY2(files[1].startsWith(QStringLiteral("Flags/Junk Mail/Win now")), qPrintable(files[1]));
  }

  void aFailedExportLeavesTheWindowOpenForAnotherPress() {
    TestServices t;
    // The in-memory client: sessions can be made to fail after the scan.
    const std::string path = "/mail/jdoe.nsf";
    auto& db = t.notes.AddDatabase(path);
    db.title = "John Doe Mail";
    db.AddView("($Inbox)", true, {db.AddDocument(notes::testing::MemoryDocument{}.Text("Subject", {"Hi"}))});
    frmMain window(t.services);
    window.show();
    t.fileDialog.answers = {path};
    window.Presenter().CmdBrowse_Click();
    window.Presenter().CmdScan_Click();
    t.messages.shown.clear();

    QTemporaryDir destination;
    t.folderPicker.answers = {destination.path().toStdString()};
    QStringList afterPresses;
    const QString problem =
        WithExportWindow([&] { window.Presenter().CmdStartConversion_Click(); },
                         [&](frmSave& exportWindow) {
                           auto* button = Find<QPushButton>(exportWindow, "CmdConversion");
                           using Behaviour = notes::testing::MemoryNotesClient::ClassBehaviour;
                           // F1: no Notes session.
                           t.notes.SetClassBehaviour(notes::kDominoSessionClass, Behaviour::Fails);
                           t.notes.SetClassBehaviour(notes::kNotesSessionClass, Behaviour::Fails);
                           QTest::mouseClick(button, Qt::LeftButton);
                           afterPresses << QStringLiteral("F1 open=%1 enabled=%2")
                                               .arg(exportWindow.isVisible())
                                               .arg(button->isEnabled());
                           // F2: the database cannot be read.
                           t.notes.SetClassBehaviour(notes::kDominoSessionClass, Behaviour::Creates);
                           t.notes.SetClassBehaviour(notes::kNotesSessionClass, Behaviour::Creates);
                           db.failViews = true;
                           QTest::mouseClick(button, Qt::LeftButton);
                           afterPresses << QStringLiteral("F2 open=%1 enabled=%2")
                                               .arg(exportWindow.isVisible())
                                               .arg(button->isEnabled());
                           // Mended: the next press completes; Close closes the window.
                           db.failViews = false;
                           QTest::mouseClick(button, Qt::LeftButton);
                           QTest::mouseClick(Find<QPushButton>(exportWindow, "CmdClose"), Qt::LeftButton);
                           afterPresses << QStringLiteral("done open=%1").arg(exportWindow.isVisible());
                         });
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QCOMPARE(afterPresses, (QStringList{"F1 open=1 enabled=1", "F2 open=1 enabled=1", "done open=0"}));
    QCOMPARE(t.messages.shown.size(), std::size_t{3});
    QCOMPARE(t.messages.shown[0].title, std::string("Notes Not Installed/Configured"));
    QCOMPARE(t.messages.shown[1].title, std::string("Error in Conversion"));
    QCOMPARE(t.messages.shown[1].text, std::string("Error occured during conversion..."));
    QCOMPARE(t.messages.shown[2].title, std::string("Export to Outlook Express"));
    // The third press started from the chosen destination: the title is not added twice.
    const QStringList files = MessageFiles(destination.path());
    QCOMPARE(files.size(), 1);
    QVERIFY2(files.front().startsWith(QStringLiteral("John Doe Mail/Inbox/Hi")), qPrintable(files.front()));
  }
};

}  // namespace mailshift::shell::testing

QTEST_MAIN(mailshift::shell::testing::EndToEndTest)
#include "EndToEndTest.moc"
