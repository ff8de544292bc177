// The Qt controls behave as the logic's control operations promise.
#include <QAction>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTabWidget>
#include <QTableView>
#include <QTest>
#include <QTreeWidget>

#include "shell/Artwork.h"
#include "shell/QtControls.h"
#include "shell/QtDialogs.h"
#include "shell/ReportColumns.h"

namespace mailshift::shell {

class ControlsTest : public QObject {
  Q_OBJECT

 private slots:
  void headerFormatGivesCaptionsWidthsAndAlignments() {
    const auto columns = ParseHeaderFormat(kMailListHeaderFormat);
    QCOMPARE(columns.size(), std::size_t{4});
    const QStringList captions{columns[0].caption, columns[1].caption, columns[2].caption,
                               columns[3].caption};
    QCOMPARE(captions, (QStringList{"From/To", "Subject", "Size", "Date"}));
    QCOMPARE(columns[0].width, 150);
    QCOMPARE(columns[1].width, 240);
    QCOMPARE(columns[2].width, 52);
    QCOMPARE(columns[3].width, 150);
    QVERIFY(columns[2].alignment & Qt::AlignRight);
    for (const int plain : {0, 1, 3})
      QVERIFY(columns[static_cast<std::size_t>(plain)].alignment & Qt::AlignLeft);
    QCOMPARE(ParseHeaderFormat("A;10;1").front().alignment & Qt::AlignHorizontal_Mask, Qt::AlignHCenter);
  }

  void malformedHeaderFormatsAreErrors() {
    for (const char* format :
         {"Subject;wide;0", "Subject;240", ";240;0", "Subject;240;7", "Subject;0;0", "A;10;0|B;x;0"}) {
      QVERIFY_THROWS_EXCEPTION(ControlError, ParseHeaderFormat(format));
    }
  }

  void fileFiltersBecomeQtFilters() {
    QCOMPARE(ToQtFileFilter("Notes Database (*.nsf)|*.nsf"), QStringLiteral("Notes Database (*.nsf)"));
    QCOMPARE(ToQtFileFilter("Mail|*.eml;*.msg|All files|*.*"),
             QStringLiteral("Mail (*.eml *.msg);;All files (*.*)"));
    QCOMPARE(MessageText("one\r\ntwo\r\n\r\nthree"), QStringLiteral("one\ntwo\n\nthree"));
  }

  void widgetCaptionsAndStatesFollowTheirKind() {
    QWidget window;
    QLabel label(QStringLiteral("Found :"), &window);
    QPushButton button(QStringLiteral("Start Scan"), &window);
    QGroupBox frame(QStringLiteral(" Scan Details"), &window);
    QLineEdit box(&window);
    QWidget plain(&window);
    WidgetControl labelControl(label), buttonControl(button), frameControl(frame), boxControl(box),
        plainControl(plain);

    QCOMPARE(labelControl.Caption(), std::string("Found :"));
    QCOMPARE(buttonControl.Caption(), std::string("Start Scan"));
    QCOMPARE(frameControl.Caption(), std::string(" Scan Details"));
    boxControl.SetCaption("C:\\Mail\\ann.nsf");
    QCOMPARE(box.text(), QStringLiteral("C:\\Mail\\ann.nsf"));
    labelControl.SetCaption(
        "Gr\xC3\xBC\xC3\x9F"
        "e");  // UTF-8 survives the way in and out
    QCOMPARE(label.text(), QStringLiteral("Grüße"));
    QCOMPARE(labelControl.Caption(), std::string("Gr\xC3\xBC\xC3\x9F"
                                                 "e"));
    QVERIFY_THROWS_EXCEPTION(ControlError, plainControl.SetCaption("x"));

    // Visible means "not hidden": a control on a tab that is not showing is still visible.
    QVERIFY(!window.isVisible());
    QVERIFY(frameControl.IsVisible());
    frameControl.SetVisible(false);
    QVERIFY(!frameControl.IsVisible());
    buttonControl.SetEnabled(false);
    QVERIFY(!buttonControl.IsEnabled());
    QVERIFY(!button.isEnabled());
  }

  void treeNodesKeepTheirOrderTagsAndChecks() {
    QTreeWidget widget;
    QtTreeControl tree(widget);
    tree.AddNode({"Lotus Notes Address Book", "Notes Email Database", 0, std::nullopt, true, ""});
    tree.AddNode({"Inbox", "Inbox (2)", 67, "Lotus Notes Address Book", true, "Inbox"});
    tree.AddNode({"Folders", "Folders", 70, "Lotus Notes Address Book", false, "Folders"});
    tree.AddNode({"A", "A (0)", 70, "Folders", false, "A"});
    tree.AddNode({"B", "B (1)", 70, "A", true, "A\\B"});

    QCOMPARE(tree.NodeCount(), 5);
    QCOMPARE(tree.NodeTag(1), std::string());
    QCOMPARE(tree.NodeTag(5), std::string("A\\B"));
    QCOMPARE(tree.Item(5)->parent(), tree.Item(4));
    QCOMPARE(tree.Item(4)->parent(), tree.Item(3));
    QCOMPARE(widget.topLevelItemCount(), 1);
    QVERIFY(tree.Item(2)->font(0).bold());
    QVERIFY(!tree.Item(3)->font(0).bold());

    QVERIFY_THROWS_EXCEPTION(ControlError, tree.AddNode({"Inbox", "again", 67, std::nullopt, false, "x"}));
    QVERIFY_THROWS_EXCEPTION(ControlError, tree.AddNode({"C", "C", 70, "Missing", false, "C"}));
    QCOMPARE(tree.NodeCount(), 5);
    QVERIFY_THROWS_EXCEPTION(ControlError, tree.NodeTag(0));
    QVERIFY_THROWS_EXCEPTION(ControlError, tree.CheckState(6));

    // Every node has a check box, unchecked until set; check states are 1 or 0.
    for (int position = 1; position <= 5; ++position) {
      QVERIFY(tree.Item(position)->flags() & Qt::ItemIsUserCheckable);
      QCOMPARE(tree.CheckState(position), 0);
      tree.SetCheckState(position, 1);
    }
    QCOMPARE(tree.Item(4)->checkState(0), Qt::Checked);
    tree.Item(4)->setCheckState(0, Qt::Unchecked);  // as the user's click does
    QCOMPARE(tree.CheckState(4), 0);

    // A node's own check stays apart from the partly-checked state its box shows.
    tree.SetPartlyChecked(3, true);
    QCOMPARE(tree.Item(3)->checkState(0), Qt::PartiallyChecked);
    QCOMPARE(tree.CheckState(3), 1);
    QVERIFY(tree.IsPartlyChecked(3));
    tree.SetCheckState(3, 0);
    QCOMPARE(tree.Item(3)->checkState(0), Qt::PartiallyChecked);
    tree.SetPartlyChecked(3, false);
    QCOMPARE(tree.Item(3)->checkState(0), Qt::Unchecked);
    QCOMPARE(tree.ParentNode(5), std::optional<int>(4));
    QCOMPARE(tree.ParentNode(1), std::optional<int>());

    // With a handler, the user's change goes to it and the node's own check waits for it.
    std::vector<std::pair<int, bool>> userChecks;
    tree.OnNodeCheck([&](int position, bool checked) { userChecks.emplace_back(position, checked); });
    tree.Item(2)->setCheckState(0, Qt::Unchecked);
    tree.SetPartlyChecked(5, true);  // not the user's
    QCOMPARE(userChecks, (std::vector<std::pair<int, bool>>{{2, false}}));
    QCOMPARE(tree.CheckState(2), 1);
    tree.OnNodeCheck({});

    QVERIFY(!tree.SelectedNode());
    widget.setCurrentItem(tree.Item(5));
    QCOMPARE(tree.SelectedNode(), std::optional<int>(5));

    // Icons appear once the image list is given, for nodes added before and after.
    QVERIFY(tree.Item(2)->icon(0).isNull());
    tree.UseSmallIcons();
    QVERIFY(!tree.Item(2)->icon(0).isNull());
    tree.AddNode({"Sent", "Sent (0)", 69, "Lotus Notes Address Book", false, "Sent"});
    QVERIFY(!tree.Item(6)->icon(0).isNull());

    tree.Clear();
    QCOMPARE(tree.NodeCount(), 0);
    QVERIFY(!tree.SelectedNode());
    tree.AddNode({"Inbox", "Inbox (0)", 67, std::nullopt, false, "Inbox"});  // the key is free again
    QCOMPARE(tree.NodeTag(1), std::string("Inbox"));
  }

  void reportRowsArriveInOneBurstWithIconsAndAlignment() {
    QTableView view;
    ReportListModel model(ParseHeaderFormat(kMailListHeaderFormat));
    view.setModel(&model);
    QtReportList list(view, model);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);

    list.UseSmallIcons();
    for (int row = 0; row < 50000; ++row) {
      list.AddItem("Ann Lee\tHello " + std::to_string(row) + "\t2 KB\t05/11/2008 14:30:00");
      list.SetReportIcon(row, 0, icon::kMessage);
    }
    QVERIFY_THROWS_EXCEPTION(ControlError, list.SetReportIcon(50000, 0, icon::kMessage));
    QVERIFY_THROWS_EXCEPTION(ControlError, list.SetReportIcon(0, 4, icon::kMessage));
    list.LockUpdate(false);
    QCOMPARE(model.rowCount(), 50000);
    QCOMPARE(inserted.count(), 1);

    QCOMPARE(model.index(7, 1).data().toString(), QStringLiteral("Hello 7"));
    QCOMPARE(model.index(7, 2).data().toString(), QStringLiteral("2 KB"));
    QVERIFY(model.index(7, 2).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight);
    QVERIFY(!model.index(7, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    QVERIFY(model.index(7, 1).data(Qt::DecorationRole).isNull());
    QCOMPARE(model.headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Date"));

    list.Clear();
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.StoredRows(), 0);
    // Rows added without a closing update still show once the event loop runs.
    list.AddItem("Bob\tShort row");
    QCOMPARE(model.rowCount(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.index(0, 2).data().toString(), QString());
  }

  void tabsAndToolbarAreAddressedFromOne() {
    QTabWidget widget;
    widget.addTab(new QWidget, QStringLiteral(" Select File"));
    widget.addTab(new QWidget, QStringLiteral(" Emails Preview"));
    QtTabControl tabs(widget);
    QCOMPARE(tabs.SelectedTab(), 1);
    tabs.SelectTab(2);
    QCOMPARE(widget.currentIndex(), 1);
    tabs.SetTabEnabled(1, false);
    QVERIFY(!tabs.IsTabEnabled(1));
    QVERIFY(tabs.IsTabEnabled(2));
    QVERIFY_THROWS_EXCEPTION(ControlError, tabs.SelectTab(3));
    QVERIFY_THROWS_EXCEPTION(ControlError, tabs.IsTabEnabled(0));

    QAction open, separator, help;
    separator.setSeparator(true);
    QtToolBar bar({&open, &separator, &help});
    bar.SetButtonEnabled(1, false);
    QVERIFY(!open.isEnabled());
    QVERIFY(bar.IsButtonEnabled(3));
    QCOMPARE(bar.IndexOf(&help), 3);
    QAction stranger;
    QCOMPARE(bar.IndexOf(&stranger), 0);
    QVERIFY_THROWS_EXCEPTION(ControlError, bar.SetButtonEnabled(4, true));
  }

  void smallIconListHasSeventyTwoImages() {
    QCOMPARE(SmallIcons().size(), std::size_t{72});
    for (int index = 0; index < 72; ++index) {
      const QPixmap picture = SmallIcon(index).pixmap(16, 16);
      QCOMPARE(picture.size(), QSize(16, 16));
      // Every icon draws something: its picture is not all transparent.
      const QImage image = picture.toImage();
      bool painted = false;
      for (int y = 0; y < 16 && !painted; ++y) {
        for (int x = 0; x < 16 && !painted; ++x) painted = qAlpha(image.pixel(x, y)) > 0;
      }
      QVERIFY2(painted, qPrintable(QStringLiteral("icon %1 is empty").arg(index)));
    }
    QVERIFY(SmallIcon(72).isNull());
    QVERIFY(SmallIcon(-1).isNull());
    // The icons the tree and the list use are distinct pictures.
    const QList<int> meaningful{icon::kDatabase, icon::kMessage, icon::kDrafts, icon::kTrash,   icon::kInbox,
                                icon::kJunkMail, icon::kSent,    icon::kFolder, icon::kFollowUp};
    for (int a = 0; a < meaningful.size(); ++a) {
      for (int b = a + 1; b < meaningful.size(); ++b) {
        QVERIFY(SmallIcon(meaningful[a]).pixmap(16, 16).toImage() !=
                SmallIcon(meaningful[b]).pixmap(16, 16).toImage());
      }
    }
  }
};

}  // namespace mailshift::shell

QTEST_MAIN(mailshift::shell::ControlsTest)
#include "ControlsTest.moc"
