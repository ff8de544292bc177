// The folder tree and the message list on Qt widgets, and the conversions the Qt dialogs make.
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
#include "shell/presenters/ShellTexts.h"

namespace mailshift::shell {

class ControlsTest : public QObject {
  Q_OBJECT

 private slots:
  void fileFiltersBecomeQtFilters() {
    QCOMPARE(ToQtFileFilter("Notes Database (*.nsf)|*.nsf"), QStringLiteral("Notes Database (*.nsf)"));
    QCOMPARE(ToQtFileFilter("Mail|*.eml;*.msg|All files|*.*"),
             QStringLiteral("Mail (*.eml *.msg);;All files (*.*)"));
    QCOMPARE(MessageText("one\r\ntwo\r\n\r\nthree"), QStringLiteral("one\ntwo\n\nthree"));
  }

  void treeNodesShowTheirPlacesAndChecksAndReportClicks() {
    QTreeWidget widget;
    QtFolderTree tree(widget);
    const std::vector<notes::FolderNode> nodes{
        {"Lotus Notes Address Book", "Notes Email Database", "", 0, true, {}, 0},
        {"Inbox", "Inbox (2)", "Inbox", 67, true, 0, 2},
        {"Folders", "Folders", "Folders", 70, false, 0, 0},
        {"A", "A (0)", "A", 70, false, 2, 0},
        {"B", "B (1)", "A\\B", 70, true, 3, 1},
    };
    tree.ShowTree(nodes);
    QCOMPARE(tree.NodeCount(), std::size_t{5});
    QCOMPARE(tree.Item(4)->parent(), tree.Item(3));
    QCOMPARE(tree.Item(3)->parent(), tree.Item(2));
    QCOMPARE(widget.topLevelItemCount(), 1);
    QVERIFY(tree.Item(1)->font(0).bold());
    QVERIFY(!tree.Item(2)->font(0).bold());
    QVERIFY(!tree.Item(1)->icon(0).isNull());
    QVERIFY_THROWS_EXCEPTION(ControlError, tree.Item(5));

    // Every node has a check box, unchecked until told; the three states show as Qt's.
    for (std::size_t node = 0; node < 5; ++node) {
      QVERIFY(tree.Item(node)->flags() & Qt::ItemIsUserCheckable);
      QCOMPARE(tree.Item(node)->checkState(0), Qt::Unchecked);
    }
    tree.ShowCheck(2, notes::CheckShown::Partly);
    tree.ShowCheck(3, notes::CheckShown::Checked);
    QCOMPARE(tree.Item(2)->checkState(0), Qt::PartiallyChecked);
    QCOMPARE(tree.Item(3)->checkState(0), Qt::Checked);

    // The user's click is reported and the box keeps what it was told until told again.
    std::vector<std::size_t> clicks;
    tree.OnBoxClicked([&](std::size_t node) { clicks.push_back(node); });
    tree.Item(2)->setCheckState(0, Qt::Checked);  // as the user's click on a partly-checked box does
    tree.Item(3)->setCheckState(0, Qt::Unchecked);
    tree.ShowCheck(4, notes::CheckShown::Checked);  // not the user's
    QCOMPARE(clicks, (std::vector<std::size_t>{2, 3}));
    QCOMPARE(tree.Item(2)->checkState(0), Qt::PartiallyChecked);
    QCOMPARE(tree.Item(3)->checkState(0), Qt::Checked);

    QVERIFY(!tree.SelectedNode());
    widget.setCurrentItem(tree.Item(4));
    QCOMPARE(tree.SelectedNode(), std::optional<std::size_t>(4));

    // A new tree replaces the old one.
    tree.ShowTree({nodes[1]});
    QCOMPARE(tree.NodeCount(), std::size_t{1});
    QCOMPARE(widget.topLevelItemCount(), 1);
  }

  void reportRowsArriveInOneBurstWithIconsAndAlignment() {
    QTableView view;
    ReportListModel model(ParseHeaderFormat(text::kMailListHeaderFormat));
    view.setModel(&model);
    QSignalSpy inserted(&model, &QAbstractItemModel::rowsInserted);

    for (int row = 0; row < 50000; ++row) {
      model.Append({QStringLiteral("Ann Lee"), QStringLiteral("Hello %1").arg(row), QStringLiteral("2 KB"),
                    QStringLiteral("05/11/2008 14:30:00")},
                   icon::kMessage);
    }
    model.Publish();
    QCOMPARE(model.rowCount(), 50000);
    QCOMPARE(inserted.count(), 1);

    QCOMPARE(model.index(7, 1).data().toString(), QStringLiteral("Hello 7"));
    QCOMPARE(model.index(7, 2).data().toString(), QStringLiteral("2 KB"));
    QVERIFY(model.index(7, 2).data(Qt::TextAlignmentRole).value<Qt::Alignment>() & Qt::AlignRight);
    QVERIFY(!model.index(7, 0).data(Qt::DecorationRole).value<QIcon>().isNull());
    QVERIFY(model.index(7, 1).data(Qt::DecorationRole).isNull());
    QCOMPARE(model.headerData(3, Qt::Horizontal, Qt::DisplayRole).toString(), QStringLiteral("Date"));

    model.Clear();
    QCOMPARE(model.rowCount(), 0);
    QCOMPARE(model.StoredRows(), 0);
    // Rows added without a closing publish still show once the event loop runs.
    model.Append({QStringLiteral("Bob"), QStringLiteral("Short row")}, -1);
    QCOMPARE(model.rowCount(), 0);
    QCoreApplication::processEvents();
    QCOMPARE(model.rowCount(), 1);
    QCOMPARE(model.index(0, 2).data().toString(), QString());
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
