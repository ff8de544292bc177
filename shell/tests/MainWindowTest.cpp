// The main window's design state, its commands and the paths that reach them.
#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>
#include <functional>

#include "ShellTestSupport.h"
#include "shell/HelpWindow.h"
#include "shell/frmAbout.h"
#include "shell/frmMain.h"

namespace mailshift::shell::testing {

namespace {

constexpr const char* kDatabasePath = "/mail/jdoe.nsf";
constexpr const char* kOtherPath = "/mail/other.nsf";

// Everything of the window's visible state that the commands change, as one text.
QString Describe(frmMain& window) {
  const auto* tabs = Find<QTabWidget>(window, "NotesTab");
  const auto* toolbar = Find<QToolBar>(window, "NotesToolBar");
  QStringList state;
  state << QStringLiteral("tab=%1 tab1=%2 tab2=%3")
               .arg(tabs->currentIndex() + 1)
               .arg(tabs->isTabEnabled(0))
               .arg(tabs->isTabEnabled(1));
  state << QStringLiteral("path=[%1] readOnly=%2")
               .arg(Find<QLineEdit>(window, "txtNotesDatabaseFile")->text())
               .arg(Find<QLineEdit>(window, "txtNotesDatabaseFile")->isReadOnly());
  for (const char* button : {"CmdBrowse", "CmdScan", "CmdStartConversion"}) {
    // The button's own state; a button on a disabled tab keeps it.
    state << QStringLiteral("%1=%2")
                 .arg(QLatin1String(button))
                 .arg(!Find<QPushButton>(window, button)->testAttribute(Qt::WA_ForceDisabled));
  }
  QStringList toolbarStates;
  for (QAction* action : toolbar->actions()) toolbarStates << QString::number(action->isEnabled());
  state << QStringLiteral("toolbar=") + toolbarStates.join(QLatin1Char(','));
  for (const char* hideable : {"ScanFrame", "ImgReadingArrow", "ImgEmailsArrow", "ImgMailFolderArrow"}) {
    state << QStringLiteral("%1 shown=%2")
                 .arg(QLatin1String(hideable))
                 .arg(!Find<QWidget>(window, hideable)->isHidden());
  }
  state << QStringLiteral("tree nodes=%1").arg(static_cast<int>(window.Tree().NodeCount()));
  return state.join(QLatin1Char('\n'));
}

QAction* ToolbarEntry(frmMain& window, int index) {
  return Find<QToolBar>(window, "NotesToolBar")->actions().at(index - 1);
}

void ClickToolbar(frmMain& window, int index) {
  auto* toolbar = Find<QToolBar>(window, "NotesToolBar");
  auto* button = qobject_cast<QToolButton*>(toolbar->widgetForAction(ToolbarEntry(window, index)));
  QVERIFY(button != nullptr);
  QTest::mouseClick(button, Qt::LeftButton);
}

// A mailbox with a message in the Inbox and a user folder.
void AddMailbox(notes::testing::MemoryNotesClient& client, const std::string& path) {
  auto& db = client.AddDatabase(path);
  db.title = "John Doe Mail";
  const auto hello =
      db.AddDocument(notes::testing::MemoryDocument{}.Text("Subject", {"Hello"}).Text("From", {"Ann Lee"}));
  const auto plan =
      db.AddDocument(notes::testing::MemoryDocument{}.Text("Subject", {"Plan"}).Text("SendTo", {"Bob Ray"}));
  db.AddView("($Inbox)", true, {hello});
  db.AddView("Projects", true, {plan});
  db.AddView("Projects\\2008", true, {plan});
}

}  // namespace

class MainWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void startsInTheDesignState() {
    TestServices t;
    frmMain window(t.services);
    window.show();

    QCOMPARE(window.windowTitle(), QStringLiteral("Corvane Mailshift v3.0 Build 1109"));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    // Minimise and close, no maximise.
    QVERIFY(window.windowFlags() & Qt::CustomizeWindowHint);
    QVERIFY(window.windowFlags() & Qt::WindowMinimizeButtonHint);
    QVERIFY(!(window.windowFlags() & Qt::WindowMaximizeButtonHint));
    // Nothing to preview before a scan, on the first start too.
    QCOMPARE(Describe(window), QStringLiteral("tab=1 tab1=1 tab2=0\n"
                                              "path=[] readOnly=1\n"
                                              "CmdBrowse=1\nCmdScan=0\nCmdStartConversion=1\n"
                                              "toolbar=1,0,1,0,1,1\n"
                                              "ScanFrame shown=0\nImgReadingArrow shown=0\n"
                                              "ImgEmailsArrow shown=0\nImgMailFolderArrow shown=0\n"
                                              "tree nodes=0"));
    QVERIFY(t.messages.shown.empty());
  }

  void carriesEveryControlWithItsCaption() {
    TestServices t;
    frmMain window(t.services);

    const std::pair<const char*, const char*> captions[] = {
        {"Label7", "Corvane"},
        {"Label8", "Mailshift"},
        {"Label9", "Migrate Lotus Notes Emails to Outlook Express"},
        {"Label3", "Select Lotus Notes Database (.nsf)"},
        {"Label10", "Reading Lotus Notes Mailbox..."},
        {"Label1", "Scanning Mails..."},
        {"Label2", "Scanning Folder..."},
        {"LblFolderName", ""},
        {"OsenXPLabel11", "Supports Lotus Notes Database 8.5, 8.0, 7.0, 6.5, 6.0, 5.0"},
        {"StatusPanel1", "Corvane Software"},
        {"StatusPanel2", "Email: support@corvane.example"},
        {"StatusPanel3", "www.corvane.example"},
    };
    for (const auto& [name, caption] : captions)
      QCOMPARE(Find<QLabel>(window, name)->text(), QString::fromUtf8(caption));
    QVERIFY(Find<QLabel>(window, "Label7")->font().bold());
    QVERIFY(Find<QLabel>(window, "Label8")->font().bold());
    QVERIFY(Find<QLabel>(window, "Label8")->font().pointSizeF() >
            Find<QLabel>(window, "Label7")->font().pointSizeF());
    QVERIFY(Find<QLabel>(window, "StatusPanel1")->font().bold());
    QVERIFY(!Find<QLabel>(window, "StatusPanel2")->font().bold());
    QVERIFY(Find<QLabel>(window, "StatusPanel3")->font().bold());
    for (const char* picture :
         {"Image1", "Image2", "Image3", "ImgReadingArrow", "ImgEmailsArrow", "ImgMailFolderArrow"}) {
      QVERIFY2(!Find<QLabel>(window, picture)->pixmap().isNull(), picture);
    }
    QVERIFY(window.findChild<QStatusBar*>(QStringLiteral("OsenXPStatusBar1")) != nullptr);
    QVERIFY(window.findChild<QWidget*>(QStringLiteral("Shape1")) != nullptr);
    QVERIFY(window.findChild<QWidget*>(QStringLiteral("Line1")) != nullptr);

    QCOMPARE(Find<QPushButton>(window, "CmdBrowse")->text(), QStringLiteral("Browse..."));
    QCOMPARE(Find<QPushButton>(window, "CmdScan")->text(), QStringLiteral("Start Scan"));
    QCOMPARE(Find<QPushButton>(window, "CmdStartConversion")->text(), QStringLiteral("Start Conversion"));
    QCOMPARE(Find<QGroupBox>(window, "ScanFrame")->title(), QStringLiteral(" Scan Details"));

    const auto* tabs = Find<QTabWidget>(window, "NotesTab");
    QCOMPARE(tabs->tabText(0), QStringLiteral(" Select File"));
    QCOMPARE(tabs->tabText(1), QStringLiteral(" Emails Preview"));

    QCOMPARE(Find<QMenu>(window, "mnuFileTop")->title(), QStringLiteral("&File"));
    QCOMPARE(Find<QMenu>(window, "mnuHelpTop")->title(), QStringLiteral("&Help"));
    QStringList fileEntries;
    for (QAction* action : Find<QMenu>(window, "mnuFileTop")->actions()) {
      fileEntries << (action->isSeparator() ? QStringLiteral("-") : action->text());
    }
    QCOMPARE(fileEntries,
             (QStringList{"&Open...", "-", "&Names Table...", "&Plain Text Bodies", "-", "E&xit"}));
    QVERIFY(Find<QAction>(window, "mnuPlainText")->isCheckable());
    QVERIFY(!Find<QAction>(window, "mnuNamesTable")->isCheckable());
    QCOMPARE(Find<QAction>(window, "mnuOpen")->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    QVERIFY(Find<QAction>(window, "mnuSep1")->isSeparator());
    QStringList helpEntries;
    for (QAction* action : Find<QMenu>(window, "mnuHelpTop")->actions()) helpEntries << action->text();
    QCOMPARE(helpEntries, (QStringList{"Contents", "&About..."}));

    QStringList toolbarEntries;
    for (QAction* action : Find<QToolBar>(window, "NotesToolBar")->actions()) {
      toolbarEntries << (action->isSeparator() ? QStringLiteral("|") : action->text());
      if (!action->isSeparator()) QVERIFY(!action->icon().isNull());
    }
    QCOMPARE(toolbarEntries, (QStringList{"Open", "Scan", "|", "Export", "|", "Help"}));

    const auto* tree = Find<QTreeWidget>(window, "ContactsTreeView");
    QCOMPARE(tree->headerItem()->text(0), QStringLiteral("Notes Database"));
    const auto* list = Find<QTableView>(window, "MailList");
    QVERIFY(list->showGrid());
    QVERIFY(list->alternatingRowColors());
    QStringList headers;
    QList<int> widths;
    for (int column = 0; column < list->model()->columnCount(); ++column) {
      headers << list->model()->headerData(column, Qt::Horizontal).toString();
      widths << list->columnWidth(column);
    }
    QCOMPARE(headers, (QStringList{"From/To", "Subject", "Size", "Date"}));
    QCOMPARE(widths, (QList<int>{150, 240, 52, 150}));
  }

  void theUserCannotTypeAPath() {
    TestServices t;
    frmMain window(t.services);
    window.show();
    auto* box = Find<QLineEdit>(window, "txtNotesDatabaseFile");
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("/mail/typed.nsf"));
    QCOMPARE(box->text(), QString());
    QVERIFY(!Find<QPushButton>(window, "CmdScan")->isEnabled());
  }

  void clickingAFolderListsItsMessages() {
    TestServices t;
    AddMailbox(t.notes, kDatabasePath);
    frmMain window(t.services);
    window.show();
    t.fileDialog.answers = {kDatabasePath};
    window.Presenter().CmdBrowse_Click();
    window.Presenter().CmdScan_Click();

    auto* tree = Find<QTreeWidget>(window, "ContactsTreeView");
    auto* list = Find<QTableView>(window, "MailList");
    const auto click = [&](QTreeWidgetItem* item) {
      tree->scrollToItem(item);
      QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
      QCoreApplication::processEvents();
    };
    click(tree->topLevelItem(0)->child(0));  // Inbox (1)
    QCOMPARE(list->model()->rowCount(), 1);
    QCOMPARE(list->model()->index(0, 0).data().toString(), QStringLiteral("Ann Lee"));
    QCOMPARE(list->model()->index(0, 1).data().toString(), QStringLiteral("Hello"));
    QCOMPARE(list->model()->index(0, 2).data().toString(), QStringLiteral("1 KB"));
    QVERIFY(!list->model()->index(0, 0).data(Qt::DecorationRole).value<QIcon>().isNull());

    QTreeWidgetItem* folders = tree->topLevelItem(0)->child(6);
    QCOMPARE(folders->text(0), QStringLiteral("Folders"));
    click(folders->child(0)->child(0));  // Projects\2008
    QCOMPARE(folders->child(0)->child(0)->text(0), QStringLiteral("2008 (1)"));
    QCOMPARE(list->model()->rowCount(), 1);
    QCOMPARE(list->model()->index(0, 0).data().toString(), QStringLiteral("Bob Ray"));

    click(tree->topLevelItem(0));  // the root lists nothing
    QCOMPARE(list->model()->rowCount(), 0);
    QVERIFY(t.messages.shown.size() == 1);  // only the scan's message
  }

  void everyBrowsePathBehavesAlike() {
    const std::vector<std::pair<const char*, std::function<void(frmMain&)>>> paths = {
        {"button", [](frmMain& w) { QTest::mouseClick(Find<QPushButton>(w, "CmdBrowse"), Qt::LeftButton); }},
        {"menu", [](frmMain& w) { Find<QAction>(w, "mnuOpen")->trigger(); }},
        {"Ctrl+O", [](frmMain& w) { QTest::keyClick(&w, Qt::Key_O, Qt::ControlModifier); }},
        {"toolbar", [](frmMain& w) { ClickToolbar(w, 1); }},
        {"Enter on the focused button",
         [](frmMain& w) {
           auto* browse = Find<QPushButton>(w, "CmdBrowse");
           browse->setFocus();
           QTest::keyClick(browse, Qt::Key_Return);
         }},
    };
    QString expected;
    for (const auto& [name, browse] : paths) {
      TestServices t;
      frmMain window(t.services);
      window.show();
      window.activateWindow();
      QVERIFY(QTest::qWaitForWindowActive(&window));
      t.fileDialog.answers = {kDatabasePath};
      browse(window);
      QCOMPARE(t.fileDialog.filters.size(), std::size_t{1});
      const QString state = Describe(window);
      QVERIFY2(state.contains(QStringLiteral("path=[/mail/jdoe.nsf]")), name);
      if (expected.isEmpty()) expected = state;
      QCOMPARE(state, expected);
    }
  }

  void separatorsDoNothing() {
    TestServices t;
    frmMain window(t.services);
    window.show();
    const QString before = Describe(window);
    for (const int separator : {3, 5}) {
      QVERIFY(ToolbarEntry(window, separator)->isSeparator());
      window.Presenter().NotesToolBar_ButtonClick(separator);
      ToolbarEntry(window, separator)->trigger();
    }
    QCOMPARE(Describe(window), before);
    QVERIFY(t.fileDialog.filters.empty());
    QVERIFY(t.messages.shown.empty());
    QVERIFY(t.desktop.opened.empty());
  }

  void closingTheWindowAsksNothing() {
    TestServices t;
    frmMain window(t.services);
    window.show();
    QVERIFY(window.close());
    QVERIFY(!window.isVisible());
    QVERIFY(t.messages.shown.empty());
    QCOMPARE(t.endProgramCalls, 0);
  }

  void helpOpensTheHelpFileOfTheProgramsFolder() {
    QTemporaryDir programFolder;
    QTemporaryDir elsewhere;
    QFile chm(QDir(programFolder.path()).filePath(QStringLiteral("Help.chm")));
    QVERIFY(chm.open(QIODevice::WriteOnly));
    chm.close();
    const QString previous = QDir::currentPath();
    QDir::setCurrent(elsewhere.path());

    for (const bool toolbar : {false, true}) {
      TestServices t(programFolder.path());
      frmMain window(t.services);
      window.show();
      if (toolbar) {
        ClickToolbar(window, 6);
      } else {
        Find<QAction>(window, "mnuHelp")->trigger();
      }
      QCOMPARE(t.desktop.opened, (std::vector<QString>{chm.fileName()}));
      QVERIFY(t.messages.shown.empty());
    }
    QDir::setCurrent(previous);
  }

  void helpOpensItsOwnWindowWhenTheFileOrItsViewerIsMissing() {
    QTemporaryDir programFolder;
    const QDir folder(programFolder.path());
    const auto helpWindow = [](frmMain& window) { return window.findChild<HelpWindow*>(); };
    {
      TestServices t(programFolder.path());
      frmMain window(t.services);
      window.Presenter().mnuHelp_Click();
      QCOMPARE(ShownMessages(t.messages),
               QStringLiteral(" | The help file could not be found:\r\n") +
                   QDir::toNativeSeparators(folder.filePath(QStringLiteral("Help.chm"))));
      QVERIFY(t.desktop.opened.empty());
      QVERIFY(helpWindow(window) == nullptr);
    }

    // With the HTML pages beside the program, they open in the program's help window, unasked.
    QVERIFY(folder.mkpath(QStringLiteral("help")));
    QFile pages(folder.filePath(QStringLiteral("help/index.html")));
    QVERIFY(pages.open(QIODevice::WriteOnly));
    pages.write("<html><body><h1>Welcome</h1><a href=\"scan.html\">Scan</a></body></html>");
    pages.close();
    {
      TestServices t(programFolder.path());
      frmMain window(t.services);
      window.Presenter().mnuHelp_Click();
      QVERIFY(t.messages.shown.empty());
      QVERIFY(t.desktop.opened.empty());
      HelpWindow* help = helpWindow(window);
      QVERIFY(help != nullptr);
      QVERIFY(help->isVisible());
      QCOMPARE(help->Browser().source(), QUrl::fromLocalFile(pages.fileName()));
      QVERIFY(help->Browser().toPlainText().contains(QStringLiteral("Welcome")));
      // A second Help brings the same window up again.
      window.Presenter().mnuHelp_Click();
      QCOMPARE(window.findChildren<HelpWindow*>().size(), 1);
    }

    // A help file that no program can show: the same window, without a failure box.
    QFile chm(folder.filePath(QStringLiteral("Help.chm")));
    QVERIFY(chm.open(QIODevice::WriteOnly));
    chm.close();
    {
      TestServices t(programFolder.path());
      t.desktop.succeeds = false;
      frmMain window(t.services);
      window.Presenter().mnuHelp_Click();
      QCOMPARE(t.desktop.opened, (std::vector<QString>{chm.fileName()}));
      QVERIFY(t.messages.shown.empty());
      QVERIFY(helpWindow(window) != nullptr && helpWindow(window)->isVisible());
    }
  }

  void theLastFoldersAreRememberedAndTheDialogsOpenThere() {
    QTemporaryDir config;
    QTemporaryDir databases;
    QTemporaryDir destination;
    const std::string file = QDir(config.path()).filePath(QStringLiteral("sub/folders.txt")).toStdString();
    const std::string database = QDir(databases.path()).filePath(QStringLiteral("jdoe.nsf")).toStdString();
    {
      RememberedFolders remembered(file);
      TestServices t;
      t.services.Remembered = &remembered;
      frmMain window(t.services);
      window.show();
      t.fileDialog.answers = {""};
      window.Presenter().CmdBrowse_Click();  // cancelled: nothing to remember
      QCOMPARE(remembered.DatabaseFolder(), std::string());
      t.fileDialog.answers = {database};
      window.Presenter().CmdBrowse_Click();
      QCOMPARE(remembered.DatabaseFolder(), databases.path().toStdString());
      AddMailbox(t.notes, database);
      window.Presenter().CmdScan_Click();
      t.folderPicker.answers = {destination.path().toStdString()};
      QTimer::singleShot(0, [] {
        if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
      });
      window.Presenter().CmdStartConversion_Click();
      QCOMPARE(remembered.Destination(), destination.path().toStdString());
    }

    // The next run's dialogs open in the remembered folders.
    const RememberedFolders next(file);
    QString seen;
    const auto lookAtDialog = [&seen] {
      QTimer::singleShot(50, [&seen] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        seen = dialog == nullptr ? QStringLiteral("no dialog") : dialog->directory().absolutePath();
        if (dialog != nullptr) dialog->reject();
      });
    };
    lookAtDialog();
    QtFileOpenDialog open(nullptr, &next);
    QCOMPARE(open.ShowOpen("Notes Database (*.nsf)|*.nsf"), std::string());
    QCOMPARE(seen, databases.path());
    lookAtDialog();
    QtFolderPicker picker(&next);
    QCOMPARE(picker.PickFolder(0, "Select Path to Save PST File"), std::string());
    QCOMPARE(seen, destination.path());
  }

  void aboutIsAModalPictureCentredOnTheMainWindow() {
    TestServices t;
    frmMain window(t.services);
    window.show();
    QString seen;
    QTimer::singleShot(0, [&] {
      auto* about = qobject_cast<frmAbout*>(QApplication::activeModalWidget());
      if (about == nullptr) {
        seen = QStringLiteral("no modal About window");
        return;
      }
      seen = QStringLiteral("%1 %2x%3 fixed=%4 owner=%5 centred=%6")
                 .arg(about->windowTitle())
                 .arg(about->width())
                 .arg(about->height())
                 .arg(about->minimumSize() == about->maximumSize())
                 .arg(about->parentWidget() == &window)
                 .arg((about->frameGeometry().center() - window.frameGeometry().center()).manhattanLength() <=
                      2);
      about->close();
    });
    Find<QAction>(window, "mnuAbout")->trigger();
    QCOMPARE(seen, QStringLiteral("About - Corvane Mailshift 541x209 fixed=1 owner=1 centred=1"));
  }
};

}  // namespace mailshift::shell::testing

QTEST_MAIN(mailshift::shell::testing::MainWindowTest)
#include "MainWindowTest.moc"
