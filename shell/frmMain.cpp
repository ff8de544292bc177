#include "shell/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QStatusBar>
#include <QTabWidget>
#include <QTableView>
#include <QToolBar>
#include <QTreeWidget>
#include <QUrl>
#include <QVBoxLayout>

#include "common/DatabaseChoice.h"
#include "common/Messages.h"
#include "common/RememberedFolders.h"
#include "export/ExportLaunch.h"
#include "notes/FolderSelection.h"
#include "notes/Preview.h"
#include "notes/Scan.h"
#include "shell/Artwork.h"
#include "shell/Guarded.h"
#include "shell/HelpCommand.h"
#include "shell/HelpWindow.h"
#include "shell/Vendor.h"
#include "shell/WindowFont.h"
#include "shell/WindowPlacement.h"
#include "shell/frmAbout.h"
#include "shell/frmSave.h"

namespace mailshift::shell {
namespace {

constexpr QSize kMainWindowSize{940, 640};
constexpr int kCommandButtonWidth = 120;

QLabel* NamedLabel(QWidget* parent, const char* name, const QString& text = {}) {
  auto* label = new QLabel(text, parent);
  label->setObjectName(QString::fromLatin1(name));
  return label;
}

QLabel* PhaseArrow(QWidget* parent, const char* name) {
  QLabel* arrow = NamedLabel(parent, name);
  arrow->setPixmap(PhaseArrowPicture());
  arrow->setFixedSize(PhaseArrowPicture().size());
  // A hidden arrow keeps its place, so the phase captions never move.
  QSizePolicy policy = arrow->sizePolicy();
  policy.setRetainSizeWhenHidden(true);
  arrow->setSizePolicy(policy);
  arrow->hide();
  return arrow;
}

QPushButton* CommandButton(QWidget* parent, const char* name, const QString& caption) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setMinimumWidth(kCommandButtonWidth);
  // Enter presses the button that has the focus.
  button->setAutoDefault(true);
  return button;
}

// The first local Notes database file among the dropped ones, or "".
std::string DroppedDatabase(const QMimeData* data) {
  if (data == nullptr || !data->hasUrls()) return {};
  for (const QUrl& url : data->urls()) {
    if (!url.isLocalFile()) continue;
    const std::string path = QDir::toNativeSeparators(url.toLocalFile()).toStdString();
    if (IsNotesDatabaseFile(path)) return path;
  }
  return {};
}

QFont Sized(QFont font, qreal points, bool bold) {
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

}  // namespace

struct frmMain::ControlSet {
  ControlSet(QTabWidget& tabs, std::vector<QAction*> toolbarEntries, QLineEdit& path, QWidget& browse,
             QWidget& scan, QWidget& scanFrame, QWidget& readingArrow, QWidget& emailsArrow,
             QWidget& mailFolderArrow, QWidget& folderName, QTreeWidget& tree, QTableView& list,
             ReportListModel& listModel, ShellServices& services)
      : NotesTab(tabs),
        NotesToolBar(std::move(toolbarEntries)),
        txtNotesDatabaseFile(path),
        CmdBrowse(browse),
        CmdScan(scan),
        ScanFrame(scanFrame),
        ImgReadingArrow(readingArrow),
        ImgEmailsArrow(emailsArrow),
        ImgMailFolderArrow(mailFolderArrow),
        LblFolderName(folderName),
        ContactsTreeView(tree),
        MailList(list, listModel),
        controls{NotesTab,        txtNotesDatabaseFile, CmdBrowse,          CmdScan,       ScanFrame,
                 ImgReadingArrow, ImgEmailsArrow,       ImgMailFolderArrow, LblFolderName, ContactsTreeView,
                 MailList,        NotesToolBar,         services.Messages,  services.Wait} {}

  QtTabControl NotesTab;
  QtToolBar NotesToolBar;
  WidgetControl txtNotesDatabaseFile;
  WidgetControl CmdBrowse;
  WidgetControl CmdScan;
  WidgetControl ScanFrame;
  WidgetControl ImgReadingArrow;
  WidgetControl ImgEmailsArrow;
  WidgetControl ImgMailFolderArrow;
  WidgetControl LblFolderName;
  QtTreeControl ContactsTreeView;
  QtReportList MailList;
  MainWindowControls controls;
};

frmMain::frmMain(ShellServices& services, ProgramState& state) : services_(services), state_(state) {
  setObjectName(QStringLiteral("frmMain"));
  setWindowTitle(QString::fromUtf8(kMainCaption));
  setWindowIcon(ProgramIcon());
  setFont(WindowFont());
  // The hints name the title bar's buttons exactly: minimise and close, no maximise.
  setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  setAcceptDrops(true);
  setContextMenuPolicy(Qt::PreventContextMenu);

  auto* menuHolder = new QWidget(this);
  menuHolder->setObjectName(QStringLiteral("BannerAndMenus"));
  auto* menuLayout = new QVBoxLayout(menuHolder);
  menuLayout->setContentsMargins(0, 0, 0, 0);
  menuLayout->setSpacing(0);
  menuLayout->addWidget(BuildBanner());
  BuildMenus(menuHolder);
  setMenuWidget(menuHolder);

  BuildToolBar();

  NotesTab = new QTabWidget(this);
  NotesTab->setObjectName(QStringLiteral("NotesTab"));
  NotesTab->setIconSize(QSize(16, 16));
  NotesTab->addTab(BuildSelectFileTab(), SmallIcon(icon::kDatabase), QStringLiteral(" Select File"));
  NotesTab->addTab(BuildPreviewTab(), SmallIcon(icon::kMessage), QStringLiteral(" Emails Preview"));
  auto* central = new QWidget(this);
  auto* centralLayout = new QVBoxLayout(central);
  centralLayout->setContentsMargins(10, 8, 10, 6);
  centralLayout->addWidget(NotesTab);
  setCentralWidget(central);

  BuildStatusBar();
  BuildControlSet();

  connect(txtNotesDatabaseFile, &QLineEdit::textChanged, this,
          [this] { Guarded([this] { txtNotesDatabaseFile_Change(); }); });
  connect(CmdBrowse, &QPushButton::clicked, this, [this] { Guarded([this] { CmdBrowse_Click(); }); });
  connect(CmdScan, &QPushButton::clicked, this, [this] { Guarded([this] { CmdScan_Click(); }); });
  connect(CmdStartConversion, &QPushButton::clicked, this,
          [this] { Guarded([this] { CmdStartConversion_Click(); }); });
  connect(ContactsTreeView, &QTreeWidget::itemClicked, this,
          [this] { Guarded([this] { ContactsTreeView_Click(); }); });
  // Moving through the tree with the keys previews like a click. A click moves the current node
  // while the button is down and previews as it is released.
  connect(ContactsTreeView, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
    if (current == nullptr || QApplication::mouseButtons() != Qt::NoButton) return;
    Guarded([this] { ContactsTreeView_Click(); });
  });
  controls_->ContactsTreeView.OnNodeCheck([this](int position, bool checked) {
    Guarded([this, position, checked] { ContactsTreeView_NodeCheck(position, checked); });
  });
  connect(NotesToolBar, &QToolBar::actionTriggered, this, [this](QAction* action) {
    Guarded([this, action] { NotesToolBar_ButtonClick(controls_->NotesToolBar.IndexOf(action)); });
  });
  connect(mnuOpen, &QAction::triggered, this, [this] { Guarded([this] { mnuOpen_Click(0); }); });
  connect(mnuExit, &QAction::triggered, this, [this] { Guarded([this] { mnuExit_Click(); }); });
  connect(mnuHelp, &QAction::triggered, this, [this] { Guarded([this] { mnuHelp_Click(); }); });
  connect(mnuAbout, &QAction::triggered, this, [this] { Guarded([this] { mnuAbout_Click(); }); });

  setFixedSize(kMainWindowSize);
  Form_Load();
}

frmMain::~frmMain() = default;

QWidget* frmMain::BuildBanner() {
  auto* banner = new QWidget(this);
  banner->setObjectName(QStringLiteral("Banner"));
  banner->setAttribute(Qt::WA_StyledBackground);
  banner->setStyleSheet(QStringLiteral(
      "#Banner { background: qlineargradient(x1:0, y1:0, x2:1, y2:0, stop:0 #ffffff, stop:0.55 #f3f8fd, "
      "stop:1 #dcebf9); }"));
  Image3 = NamedLabel(banner, "Image3");
  Image3->setPixmap(LogoPicture(48));
  Image3->setFixedSize(48, 48);
  Label7 = NamedLabel(banner, "Label7", QStringLiteral("Corvane"));
  Label7->setFont(Sized(font(), 11, true));
  Label7->setStyleSheet(QStringLiteral("color: #0b2a4a;"));
  Label8 = NamedLabel(banner, "Label8", QStringLiteral("Mailshift"));
  Label8->setFont(Sized(font(), 20, true));
  Label8->setStyleSheet(QStringLiteral("color: #1565a8;"));
  Label9 = NamedLabel(banner, "Label9", QStringLiteral("Migrate Lotus Notes Emails to Outlook Express"));
  Label9->setFont(Sized(font(), 9, false));
  Label9->setStyleSheet(QStringLiteral("color: #4a5a6e;"));

  auto* name = new QHBoxLayout;
  name->setSpacing(6);
  name->addWidget(Label7, 0, Qt::AlignBottom);
  name->addWidget(Label8, 0, Qt::AlignBottom);
  name->addStretch();
  auto* words = new QVBoxLayout;
  words->setSpacing(0);
  words->addLayout(name);
  words->addWidget(Label9);
  auto* row = new QHBoxLayout;
  row->setContentsMargins(14, 8, 14, 6);
  row->setSpacing(12);
  row->addWidget(Image3);
  row->addLayout(words, 1);

  Image2 = NamedLabel(banner, "Image2");
  Image2->setPixmap(RulePicture(kMainWindowSize.width()));
  Image2->setScaledContents(true);
  Image2->setFixedHeight(3);
  auto* column = new QVBoxLayout(banner);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);
  column->addLayout(row);
  column->addWidget(Image2);
  return banner;
}

void frmMain::BuildMenus(QWidget* menuHolder) {
  auto* bar = new QMenuBar(menuHolder);
  bar->setObjectName(QStringLiteral("MenuTop"));
  bar->setNativeMenuBar(false);
  menuHolder->layout()->addWidget(bar);

  mnuFileTop = bar->addMenu(QStringLiteral("&File"));
  mnuFileTop->setObjectName(QStringLiteral("mnuFileTop"));
  mnuOpen = mnuFileTop->addAction(SmallIcon(icon::kOpen), QStringLiteral("&Open..."));
  mnuOpen->setObjectName(QStringLiteral("mnuOpen"));
  mnuOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
  mnuOpen->setShortcutContext(Qt::WindowShortcut);
  // The menu bar is a child of the banner holder; the shortcut works for the whole window.
  addAction(mnuOpen);
  mnuSep1 = mnuFileTop->addSeparator();
  mnuSep1->setObjectName(QStringLiteral("mnuSep1"));
  mnuExit = mnuFileTop->addAction(SmallIcon(icon::kExit), QStringLiteral("E&xit"));
  mnuExit->setObjectName(QStringLiteral("mnuExit"));

  mnuHelpTop = bar->addMenu(QStringLiteral("&Help"));
  mnuHelpTop->setObjectName(QStringLiteral("mnuHelpTop"));
  mnuHelp = mnuHelpTop->addAction(SmallIcon(icon::kHelp), QStringLiteral("Contents"));
  mnuHelp->setObjectName(QStringLiteral("mnuHelp"));
  mnuAbout = mnuHelpTop->addAction(SmallIcon(icon::kAbout), QStringLiteral("&About..."));
  mnuAbout->setObjectName(QStringLiteral("mnuAbout"));
}

void frmMain::BuildToolBar() {
  NotesToolBar = new QToolBar(this);
  NotesToolBar->setObjectName(QStringLiteral("NotesToolBar"));
  NotesToolBar->setMovable(false);
  NotesToolBar->setFloatable(false);
  NotesToolBar->setIconSize(QSize(24, 24));
  NotesToolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
  NotesToolBar->setContextMenuPolicy(Qt::PreventContextMenu);
  NotesToolBar->toggleViewAction()->setVisible(false);
  addToolBar(Qt::TopToolBarArea, NotesToolBar);
}

QWidget* frmMain::BuildSelectFileTab() {
  auto* page = new QWidget(this);
  page->setObjectName(QStringLiteral("SelectFileTab"));

  Image1 = NamedLabel(page, "Image1");
  Image1->setPixmap(SelectFilePicture(QSize(176, 132)));
  Image1->setFixedSize(176, 132);
  Label3 = NamedLabel(page, "Label3", QStringLiteral("Select Lotus Notes Database (.nsf)"));
  Label3->setFont(Sized(font(), 9, true));
  txtNotesDatabaseFile = new QLineEdit(page);
  txtNotesDatabaseFile->setObjectName(QStringLiteral("txtNotesDatabaseFile"));
  txtNotesDatabaseFile->setReadOnly(true);
  txtNotesDatabaseFile->setMinimumHeight(24);
  CmdBrowse = CommandButton(page, "CmdBrowse", QStringLiteral("Browse..."));
  CmdBrowse->setIcon(SmallIcon(icon::kOpen));
  CmdScan = CommandButton(page, "CmdScan", QStringLiteral("Start Scan"));
  CmdScan->setIcon(SmallIcon(icon::kScan));
  CmdScan->setEnabled(false);

  ScanFrame = new QGroupBox(QStringLiteral(" Scan Details"), page);
  ScanFrame->setObjectName(QStringLiteral("ScanFrame"));
  ImgReadingArrow = PhaseArrow(ScanFrame, "ImgReadingArrow");
  ImgEmailsArrow = PhaseArrow(ScanFrame, "ImgEmailsArrow");
  ImgMailFolderArrow = PhaseArrow(ScanFrame, "ImgMailFolderArrow");
  Label10 = NamedLabel(ScanFrame, "Label10", QStringLiteral("Reading Lotus Notes Mailbox..."));
  Label1 = NamedLabel(ScanFrame, "Label1", QStringLiteral("Scanning Mails..."));
  Label2 = NamedLabel(ScanFrame, "Label2", QStringLiteral("Scanning Folder..."));
  LblFolderName = NamedLabel(ScanFrame, "LblFolderName");
  LblFolderName->setStyleSheet(QStringLiteral("color: #1565a8;"));
  LblFolderName->setMinimumHeight(18);
  auto* phases = new QGridLayout(ScanFrame);
  phases->setContentsMargins(16, 14, 16, 12);
  phases->setHorizontalSpacing(8);
  phases->setVerticalSpacing(8);
  phases->setColumnStretch(1, 1);
  phases->addWidget(ImgReadingArrow, 0, 0);
  phases->addWidget(Label10, 0, 1);
  phases->addWidget(ImgEmailsArrow, 1, 0);
  phases->addWidget(Label1, 1, 1);
  phases->addWidget(ImgMailFolderArrow, 2, 0);
  phases->addWidget(Label2, 2, 1);
  phases->addWidget(LblFolderName, 3, 1);
  ScanFrame->hide();

  OsenXPLabel11 = NamedLabel(page, "OsenXPLabel11",
                             QStringLiteral("Supports Lotus Notes Database 8.5, 8.0, 7.0, 6.5, 6.0, 5.0"));
  OsenXPLabel11->setStyleSheet(QStringLiteral("color: #5b6b7f;"));

  auto* pathRow = new QHBoxLayout;
  pathRow->setSpacing(8);
  pathRow->addWidget(txtNotesDatabaseFile, 1);
  pathRow->addWidget(CmdBrowse);
  auto* scanRow = new QHBoxLayout;
  scanRow->addStretch();
  scanRow->addWidget(CmdScan);
  auto* work = new QVBoxLayout;
  work->setSpacing(8);
  work->addWidget(Label3);
  work->addLayout(pathRow);
  work->addLayout(scanRow);
  work->addSpacing(4);
  work->addWidget(ScanFrame);
  work->addStretch();
  auto* top = new QHBoxLayout;
  top->setSpacing(22);
  top->addWidget(Image1, 0, Qt::AlignTop);
  top->addLayout(work, 1);
  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(22, 22, 22, 12);
  layout->addLayout(top, 1);
  layout->addWidget(OsenXPLabel11);
  return page;
}

QWidget* frmMain::BuildPreviewTab() {
  auto* page = new QWidget(this);
  page->setObjectName(QStringLiteral("EmailsPreviewTab"));

  auto* shape = new QFrame(page);
  shape->setObjectName(QStringLiteral("Shape1"));
  shape->setFrameShape(QFrame::StyledPanel);
  shape->setFrameShadow(QFrame::Sunken);

  ContactsTreeView = new QTreeWidget(shape);
  ContactsTreeView->setObjectName(QStringLiteral("ContactsTreeView"));
  ContactsTreeView->setColumnCount(1);
  ContactsTreeView->setHeaderLabel(QStringLiteral("Notes Database"));
  ContactsTreeView->setIconSize(QSize(16, 16));
  ContactsTreeView->setFixedWidth(262);
  ContactsTreeView->setIndentation(16);
  ContactsTreeView->setUniformRowHeights(true);

  const std::vector<ReportColumn> columns = ParseHeaderFormat(kMailListHeaderFormat);
  mailListModel_ = new ReportListModel(columns, this);
  MailList = new ReportListView(shape);
  MailList->setObjectName(QStringLiteral("MailList"));
  MailList->setModel(mailListModel_);
  MailList->setShowGrid(true);
  MailList->setAlternatingRowColors(true);
  QPalette rows = MailList->palette();
  rows.setColor(QPalette::AlternateBase, QColor(241, 246, 252));
  MailList->setPalette(rows);
  MailList->setSelectionBehavior(QAbstractItemView::SelectRows);
  MailList->setSelectionMode(QAbstractItemView::SingleSelection);
  MailList->setEditTriggers(QAbstractItemView::NoEditTriggers);
  MailList->setWordWrap(false);
  MailList->setIconSize(QSize(16, 16));
  MailList->verticalHeader()->hide();
  MailList->verticalHeader()->setDefaultSectionSize(20);
  MailList->horizontalHeader()->setStretchLastSection(false);
  MailList->horizontalHeader()->setHighlightSections(false);
  // A click on a column's header sorts the list by it; a new listing comes unsorted.
  MailList->horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
  MailList->horizontalHeader()->setSortIndicatorShown(true);
  MailList->setSortingEnabled(true);
  for (std::size_t i = 0; i < columns.size(); ++i) {
    MailList->setColumnWidth(static_cast<int>(i), columns[i].width);
  }

  auto* split = new QHBoxLayout(shape);
  split->setContentsMargins(4, 4, 4, 4);
  split->setSpacing(4);
  split->addWidget(ContactsTreeView);
  split->addWidget(MailList, 1);

  auto* line = new QFrame(page);
  line->setObjectName(QStringLiteral("Line1"));
  line->setFrameShape(QFrame::HLine);
  line->setFrameShadow(QFrame::Sunken);

  CmdStartConversion = CommandButton(page, "CmdStartConversion", QStringLiteral("Start Conversion"));
  CmdStartConversion->setIcon(SmallIcon(icon::kExport));
  CmdStartConversion->setMinimumWidth(150);
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(CmdStartConversion);

  auto* layout = new QVBoxLayout(page);
  layout->setContentsMargins(8, 8, 8, 8);
  layout->setSpacing(8);
  layout->addWidget(shape, 1);
  layout->addWidget(line);
  layout->addLayout(buttons);
  return page;
}

void frmMain::BuildStatusBar() {
  auto* bar = new QStatusBar(this);
  bar->setObjectName(QStringLiteral("OsenXPStatusBar1"));
  bar->setSizeGripEnabled(false);
  const auto panel = [&](const char* name, const QString& text, bool bold, int stretch) {
    QLabel* label = NamedLabel(bar, name, text);
    label->setFrameShape(QFrame::StyledPanel);
    label->setFrameShadow(QFrame::Sunken);
    label->setContentsMargins(6, 1, 6, 1);
    QFont panelFont = font();
    panelFont.setBold(bold);
    label->setFont(panelFont);
    bar->addPermanentWidget(label, stretch);
  };
  panel("StatusPanel1", QString::fromUtf8(kVendorName), true, 1);
  panel("StatusPanel2",
        QStringLiteral("Email: ") + QString::fromUtf8(kSupportAddress.data(), kSupportAddress.size()), false,
        2);
  panel("StatusPanel3", QString::fromUtf8(kWebAddress), true, 1);
  setStatusBar(bar);
}

void frmMain::BuildControlSet() {
  struct Entry {
    int image;
    const char* caption;
  };
  const Entry entries[] = {{icon::kOpen, "Open"},     {icon::kScan, "Scan"}, {-1, nullptr},
                           {icon::kExport, "Export"}, {-1, nullptr},         {icon::kHelp, "Help"}};
  std::vector<QAction*> toolbarEntries;
  int index = 0;
  for (const Entry& entry : entries) {
    ++index;
    QAction* action = entry.caption == nullptr ? NotesToolBar->addSeparator()
                                               : NotesToolBar->addAction(SmallIcon(entry.image),
                                                                         QString::fromLatin1(entry.caption));
    action->setObjectName(QStringLiteral("NotesToolBarButton%1").arg(index));
    toolbarEntries.push_back(action);
  }
  toolbarEntries[1]->setEnabled(false);
  toolbarEntries[3]->setEnabled(false);

  controls_ = std::make_unique<ControlSet>(*NotesTab, std::move(toolbarEntries), *txtNotesDatabaseFile,
                                           *CmdBrowse, *CmdScan, *ScanFrame, *ImgReadingArrow,
                                           *ImgEmailsArrow, *ImgMailFolderArrow, *LblFolderName,
                                           *ContactsTreeView, *MailList, *mailListModel_, services_);
}

MainWindowControls& frmMain::Controls() { return controls_->controls; }

QtTreeControl& frmMain::TreeControl() { return controls_->ContactsTreeView; }

template <typename Command>
void frmMain::Guarded(Command&& command) {
  RunGuarded(services_.Messages, std::forward<Command>(command));
}

void frmMain::Form_Load() { Controls().NotesTab.SelectTab(1); }

void frmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!placed_) {
    placed_ = true;
    CentreOnScreen(*this);
  }
}

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
  if (!DroppedDatabase(event->mimeData()).empty()) event->acceptProposedAction();
}

void frmMain::dragMoveEvent(QDragMoveEvent* event) {
  if (!DroppedDatabase(event->mimeData()).empty()) event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent* event) {
  const std::string path = DroppedDatabase(event->mimeData());
  if (path.empty()) return;
  event->acceptProposedAction();
  Guarded([this, &path] { DatabaseFile_Drop(path); });
}

void frmMain::DatabaseFile_Drop(const std::string& path) { TakeDatabaseFile(path); }

void frmMain::CmdBrowse_Click() { TakeDatabaseFile(services_.FileDialog.ShowOpen(kNotesDatabaseFilter)); }

void frmMain::TakeDatabaseFile(const std::string& chosen) {
  if (!mailshift::TakeDatabaseFile(Controls(), chosen, services_.Remembered)) {
    qWarning("The database folder could not be remembered in %s",
             qPrintable(QString::fromStdString(services_.Remembered->file().string())));
  }
}

void frmMain::txtNotesDatabaseFile_Change() { mailshift::txtNotesDatabaseFile_Change(Controls()); }

void frmMain::CmdScan_Click() {
  notes::CmdScan_Click(Controls(), services_.Sessions, state_.Notes, state_.Values);
}

void frmMain::ContactsTreeView_Click() { notes::ContactsTreeView_Click(Controls(), state_.Notes); }

void frmMain::ContactsTreeView_NodeCheck(int position, bool checked) {
  notes::ContactsTreeView_NodeCheck(controls_->ContactsTreeView, position, checked);
}

void frmMain::CmdStartConversion_Click() {
  if (!mail::CmdStartConversion_Click(controls_->ContactsTreeView, services_.Messages, state_.Values)) return;
  if (services_.Remembered != nullptr &&
      !services_.Remembered->RememberDestination(state_.Values.DestinationRoot)) {
    qWarning("The destination could not be remembered in %s",
             qPrintable(QString::fromStdString(services_.Remembered->file().string())));
  }
  ShowExportWindow();
}

void frmMain::ShowExportWindow() {
  frmSave exportWindow(
      this, ExportContext{services_, state_, [this] { return Controls().txtNotesDatabaseFile.Caption(); }});
  exportWindow.exec();
}

void frmMain::NotesToolBar_ButtonClick(int index) {
  switch (index) {
    case 1:
      CmdBrowse_Click();
      break;
    case 2:
      CmdScan_Click();
      break;
    case 4:
      CmdStartConversion_Click();
      break;
    case 6:
      mnuHelp_Click();
      break;
    default:
      break;  // the separators
  }
}

void frmMain::mnuOpen_Click(int index) {
  if (index == 0) CmdBrowse_Click();
}

void frmMain::mnuHelp_Click() {
  ShowHelp(services_.ProgramFolder, services_.Desktop, services_.Messages,
           [this](const QString& startPage) { ShowHelpPages(startPage); });
}

void frmMain::ShowHelpPages(const QString& startPage) {
  if (helpWindow_.isNull()) helpWindow_ = new HelpWindow(this, startPage);
  helpWindow_->ShowContents();
}

void frmMain::mnuAbout_Click() {
  frmAbout about(this);
  about.exec();
}

void frmMain::mnuExit_Click() {
  const MessageAnswer answer =
      services_.Messages.Show("Are you sure you want to close the software", "Corvane Quillon",
                              MessageIcon::Information, MessageButtons::YesNo);
  if (answer == MessageAnswer::Yes) services_.EndProgram();
}

}  // namespace mailshift::shell
