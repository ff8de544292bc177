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

#include "common/Messages.h"
#include "shell/Artwork.h"
#include "shell/HelpWindow.h"
#include "shell/WindowFont.h"
#include "shell/WindowPlacement.h"
#include "shell/frmAbout.h"
#include "shell/frmSave.h"
#include "shell/presenters/ExportPresenter.h"
#include "shell/presenters/ShellTexts.h"
#include "shell/presenters/Vendor.h"

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

QPushButton* CommandButton(QWidget* parent, const ButtonEntry& entry) {
  auto* button = new QPushButton(QString::fromUtf8(entry.caption), parent);
  button->setObjectName(QString::fromLatin1(entry.name));
  button->setIcon(SmallIcon(entry.image));
  button->setMinimumWidth(kCommandButtonWidth);
  // Enter presses the button that has the focus.
  button->setAutoDefault(true);
  return button;
}

// The local files among the dropped ones.
std::vector<std::string> DroppedFiles(const QMimeData* data) {
  std::vector<std::string> paths;
  if (data == nullptr || !data->hasUrls()) return paths;
  for (const QUrl& url : data->urls()) {
    if (url.isLocalFile()) paths.push_back(QDir::toNativeSeparators(url.toLocalFile()).toStdString());
  }
  return paths;
}

bool HoldsDatabase(const QMimeData* data) {
  for (const std::string& path : DroppedFiles(data)) {
    if (IsNotesDatabaseFile(path)) return true;
  }
  return false;
}

QString Text(const char* text) { return QString::fromUtf8(text); }

QFont Sized(QFont font, qreal points, bool bold) {
  font.setPointSizeF(points);
  font.setBold(bold);
  return font;
}

}  // namespace

frmMain::frmMain(ShellServices& services)
    : ServicedMainView(services),
      help_(services.Desktop, [this](const QString& startPage) { ShowHelpPages(startPage); }) {
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
  NotesTab->addTab(BuildSelectFileTab(), SmallIcon(icon::kDatabase), Text(text::kSelectFileTab));
  NotesTab->addTab(BuildPreviewTab(), SmallIcon(icon::kMessage), Text(text::kEmailsPreviewTab));
  auto* central = new QWidget(this);
  auto* centralLayout = new QVBoxLayout(central);
  centralLayout->setContentsMargins(10, 8, 10, 6);
  centralLayout->addWidget(NotesTab);
  setCentralWidget(central);

  BuildStatusBar();
  presenter_ = std::make_unique<MainPresenter>(
      MainViews{*this, *this, *scanPanel_, *tree_, *mailList_}, services.Core, help_,
      MainSettings{services.LogPath, services.ProgramFolder, services.Remembered});
  Connect();
  setFixedSize(kMainWindowSize);
  presenter_->Form_Load();
}

void frmMain::Connect() {
  for (std::size_t i = 0; i < kButtons.size(); ++i) {
    const Command command = kButtons[i].command;
    connect(buttons_[i], &QPushButton::clicked, this, [this, command] { presenter_->Run(command); });
  }
  for (std::size_t i = 0; i < kMenus.size(); ++i) {
    if (kMenus[i].caption == nullptr) continue;
    const Command command = kMenus[i].command;
    if (command == Command::Browse) {
      connect(menuEntries_[i], &QAction::triggered, this, [this] { presenter_->mnuOpen_Click(0); });
    } else {
      connect(menuEntries_[i], &QAction::triggered, this, [this, command] { presenter_->Run(command); });
    }
  }
  connect(NotesToolBar, &QToolBar::actionTriggered, this, [this](QAction* action) {
    for (std::size_t i = 0; i < toolbarEntries_.size(); ++i) {
      if (toolbarEntries_[i] == action) presenter_->NotesToolBar_ButtonClick(static_cast<int>(i) + 1);
    }
  });
  connect(ContactsTreeView, &QTreeWidget::itemClicked, this,
          [this] { presenter_->ContactsTreeView_Click(); });
  // Moving through the tree with the keys previews like a click. A click moves the current node
  // while the button is down and previews as it is released.
  connect(ContactsTreeView, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* current) {
    if (current == nullptr || QApplication::mouseButtons() != Qt::NoButton) return;
    presenter_->ContactsTreeView_Click();
  });
  tree_->OnBoxClicked([this](std::size_t node) { presenter_->ContactsTreeView_NodeCheck(node); });
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
  Label7 = NamedLabel(banner, "Label7", Text(text::kBannerCompany));
  Label7->setFont(Sized(font(), 11, true));
  Label7->setStyleSheet(QStringLiteral("color: #0b2a4a;"));
  Label8 = NamedLabel(banner, "Label8", Text(text::kBannerProduct));
  Label8->setFont(Sized(font(), 20, true));
  Label8->setStyleSheet(QStringLiteral("color: #1565a8;"));
  Label9 = NamedLabel(banner, "Label9", Text(text::kBannerLine));
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

  QMenu* menus[] = {bar->addMenu(Text(kMenuTitles[0])), bar->addMenu(Text(kMenuTitles[1]))};
  menus[0]->setObjectName(QStringLiteral("mnuFileTop"));
  menus[1]->setObjectName(QStringLiteral("mnuHelpTop"));
  for (std::size_t i = 0; i < kMenus.size(); ++i) {
    const MenuEntry& entry = kMenus[i];
    QMenu* menu = menus[entry.menu == Menu::File ? 0 : 1];
    QAction* action = entry.caption == nullptr ? menu->addSeparator()
                                               : menu->addAction(SmallIcon(entry.image), Text(entry.caption));
    action->setObjectName(QString::fromLatin1(entry.name));
    action->setCheckable(entry.checkable);
    if (entry.ctrlO) {
      action->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
      action->setShortcutContext(Qt::WindowShortcut);
      // The menu bar is a child of the banner holder; the shortcut works for the whole window.
      addAction(action);
    }
    menuEntries_[i] = action;
  }
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
  for (std::size_t i = 0; i < kToolbar.size(); ++i) {
    const ToolbarEntry& entry = kToolbar[i];
    QAction* action = entry.caption == nullptr ? NotesToolBar->addSeparator()
                                               : NotesToolBar->addAction(SmallIcon(entry.image),
                                                                         QString::fromLatin1(entry.caption));
    action->setObjectName(QStringLiteral("NotesToolBarButton%1").arg(i + 1));
    toolbarEntries_[i] = action;
  }
}

QWidget* frmMain::BuildSelectFileTab() {
  auto* page = new QWidget(this);
  page->setObjectName(QStringLiteral("SelectFileTab"));

  Image1 = NamedLabel(page, "Image1");
  Image1->setPixmap(SelectFilePicture(QSize(176, 132)));
  Image1->setFixedSize(176, 132);
  Label3 = NamedLabel(page, "Label3", Text(text::kSelectDatabase));
  Label3->setFont(Sized(font(), 9, true));
  txtNotesDatabaseFile = new QLineEdit(page);
  txtNotesDatabaseFile->setObjectName(QStringLiteral("txtNotesDatabaseFile"));
  txtNotesDatabaseFile->setReadOnly(true);
  txtNotesDatabaseFile->setMinimumHeight(24);
  for (std::size_t i = 0; i < 2; ++i) buttons_[i] = CommandButton(page, kButtons[i]);

  ScanFrame = new QGroupBox(Text(text::kScanFrame), page);
  ScanFrame->setObjectName(QStringLiteral("ScanFrame"));
  arrows_ = {PhaseArrow(ScanFrame, "ImgReadingArrow"), PhaseArrow(ScanFrame, "ImgEmailsArrow"),
             PhaseArrow(ScanFrame, "ImgMailFolderArrow")};
  auto* Label10 = NamedLabel(ScanFrame, "Label10", Text(text::kReadingPhase));
  auto* Label1 = NamedLabel(ScanFrame, "Label1", Text(text::kMailsPhase));
  auto* Label2 = NamedLabel(ScanFrame, "Label2", Text(text::kFolderPhase));
  LblFolderName = NamedLabel(ScanFrame, "LblFolderName");
  LblFolderName->setStyleSheet(QStringLiteral("color: #1565a8;"));
  LblFolderName->setMinimumHeight(18);
  auto* phases = new QGridLayout(ScanFrame);
  phases->setContentsMargins(16, 14, 16, 12);
  phases->setHorizontalSpacing(8);
  phases->setVerticalSpacing(8);
  phases->setColumnStretch(1, 1);
  phases->addWidget(arrows_[0], 0, 0);
  phases->addWidget(Label10, 0, 1);
  phases->addWidget(arrows_[1], 1, 0);
  phases->addWidget(Label1, 1, 1);
  phases->addWidget(arrows_[2], 2, 0);
  phases->addWidget(Label2, 2, 1);
  phases->addWidget(LblFolderName, 3, 1);
  ScanFrame->hide();
  scanPanel_ = std::make_unique<QtScanPanel>(*ScanFrame, arrows_,
                                             std::array<QLabel*, 3>{Label10, Label1, Label2}, *LblFolderName);

  OsenXPLabel11 = NamedLabel(page, "OsenXPLabel11", Text(text::kSupportedVersions));
  OsenXPLabel11->setStyleSheet(QStringLiteral("color: #5b6b7f;"));

  auto* pathRow = new QHBoxLayout;
  pathRow->setSpacing(8);
  pathRow->addWidget(txtNotesDatabaseFile, 1);
  pathRow->addWidget(buttons_[0]);
  auto* scanRow = new QHBoxLayout;
  scanRow->addStretch();
  scanRow->addWidget(buttons_[1]);
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
  ContactsTreeView->setHeaderLabel(Text(text::kTreeHeader));
  ContactsTreeView->setIconSize(QSize(16, 16));
  ContactsTreeView->setFixedWidth(262);
  ContactsTreeView->setIndentation(16);
  ContactsTreeView->setUniformRowHeights(true);
  tree_ = std::make_unique<QtFolderTree>(*ContactsTreeView);

  const std::vector<ReportColumn> columns = ParseHeaderFormat(text::kMailListHeaderFormat);
  mailListModel_ = new ReportListModel(columns, this);
  MailList = new ReportListView(shape);
  MailList->setObjectName(QStringLiteral("MailList"));
  MailList->setModel(mailListModel_);
  mailList_ = std::make_unique<QtMessageList>(*MailList, *mailListModel_);
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

  QPushButton* CmdStartConversion = buttons_[2] = CommandButton(page, kButtons[2]);
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
        Text(text::kStatusEmail) + QString::fromUtf8(kSupportAddress.data(), kSupportAddress.size()), false,
        2);
  panel("StatusPanel3", QString::fromUtf8(kWebAddress), true, 1);
  setStatusBar(bar);
}

void frmMain::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  if (!placed_) {
    placed_ = true;
    CentreOnScreen(*this);
  }
}

void frmMain::dragEnterEvent(QDragEnterEvent* event) {
  if (HoldsDatabase(event->mimeData())) event->acceptProposedAction();
}

void frmMain::dragMoveEvent(QDragMoveEvent* event) {
  if (HoldsDatabase(event->mimeData())) event->acceptProposedAction();
}

void frmMain::dropEvent(QDropEvent* event) {
  if (!HoldsDatabase(event->mimeData())) return;
  event->acceptProposedAction();
  presenter_->DatabaseFile_Drop(DroppedFiles(event->mimeData()));
}

void frmMain::ShowHelpPages(const QString& startPage) {
  if (helpWindow_.isNull()) helpWindow_ = new HelpWindow(this, startPage);
  helpWindow_->ShowContents();
}

void frmMain::ShowPath(const std::string& path) {
  txtNotesDatabaseFile->setText(QString::fromStdString(path));
}

void frmMain::EnableCommand(Command command, bool enabled) {
  for (std::size_t i = 0; i < kToolbar.size(); ++i) {
    if (kToolbar[i].command == command) toolbarEntries_[i]->setEnabled(enabled);
  }
  for (std::size_t i = 0; i < kButtons.size(); ++i) {
    if (kButtons[i].command == command && kButtons[i].followsCommand) buttons_[i]->setEnabled(enabled);
  }
}

void frmMain::CheckCommand(Command command, bool checked) {
  for (std::size_t i = 0; i < kMenus.size(); ++i) {
    if (kMenus[i].command == command && kMenus[i].checkable) menuEntries_[i]->setChecked(checked);
  }
}

void frmMain::EnableTab(MainTab tab, bool enabled) {
  NotesTab->setTabEnabled(static_cast<int>(tab) - 1, enabled);
}

void frmMain::SelectTab(MainTab tab) { NotesTab->setCurrentIndex(static_cast<int>(tab) - 1); }

MainTab frmMain::SelectedTab() const {
  return NotesTab->currentIndex() == 1 ? MainTab::EmailsPreview : MainTab::SelectFile;
}

void frmMain::ShowExportWindow(ExportPresenter& presenter) {
  frmSave exportWindow(this, presenter, services_);
  exportWindow.exec();
}

void frmMain::ShowAbout() {
  frmAbout about(this);
  about.exec();
}

void frmMain::Warn(const std::string& problem) { qWarning("%s", problem.c_str()); }

}  // namespace mailshift::shell
