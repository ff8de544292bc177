// The splash hands over to the main window once: after its pause, or at once on a character key.
#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTest>

#include "ShellTestSupport.h"
#include "shell/ProgramWindows.h"
#include "shell/frmSplash.h"

namespace mailshift::shell::testing {

class SplashTest : public QObject {
  Q_OBJECT

  static constexpr int kLongPause = 60000;  // never reached by a test

 private slots:
  void isABorderlessPictureCentredOnTheScreen() {
    TestServices t;
    ProgramWindows windows(t.services);
    frmSplash splash([&] { windows.ShowMain(); }, kLongPause);
    splash.show();
    QCOMPARE(splash.size(), QSize(541, 209));
    QVERIFY(splash.windowFlags() & Qt::FramelessWindowHint);
    QCOMPARE(Find<QLabel>(splash, "SplashPicture")->pixmap().size(), QSize(541, 209));
    const QRect screen = splash.screen()->availableGeometry();
    QVERIFY((splash.frameGeometry().center() - screen.center()).manhattanLength() <= 2);
    QCOMPARE(windows.MainLoads(), 0);
  }

  void handsOverAfterThePause() {
    TestServices t;
    ProgramWindows windows(t.services);
    constexpr int kPause = 150;
    frmSplash splash([&] { windows.ShowMain(); }, kPause);
    QElapsedTimer clock;
    clock.start();
    splash.show();
    QVERIFY(QTest::qWaitFor([&] { return windows.MainLoads() > 0; }, 5000));
    QVERIFY(clock.elapsed() >= kPause);
    QVERIFY(splash.isHidden());
    QVERIFY(windows.Main()->isVisible());
    QCOMPARE(Find<QTabWidget>(*windows.Main(), "NotesTab")->currentIndex(), 0);
    QTest::qWait(2 * kPause);
    QCOMPARE(windows.MainLoads(), 1);
  }

  void aCharacterKeyHandsOverAtOnce() {
    for (const Qt::Key key :
         {Qt::Key_A, Qt::Key_Space, Qt::Key_Return, Qt::Key_Enter, Qt::Key_Escape, Qt::Key_Backspace}) {
      TestServices t;
      ProgramWindows windows(t.services);
      frmSplash splash([&] { windows.ShowMain(); }, 100);
      splash.show();
      QTest::keyClick(&splash, key);
      QCOMPARE(windows.MainLoads(), 1);
      QVERIFY(splash.isHidden());
      QVERIFY(windows.Main()->isVisible());
      // No tick and no pause follow.
      QTest::qWait(250);
      QCOMPARE(windows.MainLoads(), 1);
    }
  }

  void keysWithoutACharacterDoNotEndTheSplash() {
    TestServices t;
    ProgramWindows windows(t.services);
    frmSplash splash([&] { windows.ShowMain(); }, kLongPause);
    splash.show();
    for (const Qt::Key key : {Qt::Key_Shift, Qt::Key_Control, Qt::Key_Alt, Qt::Key_F1, Qt::Key_F5,
                              Qt::Key_Left, Qt::Key_Down, Qt::Key_Home, Qt::Key_Delete}) {
      QTest::keyClick(&splash, key);
    }
    QCOMPARE(windows.MainLoads(), 0);
    QVERIFY(splash.isVisible());
    QVERIFY(!splash.HandedOver());
  }

  void aKeyDuringThePauseHandsOverOnce() {
    TestServices t;
    ProgramWindows windows(t.services);
    constexpr int kPause = 300;
    frmSplash splash([&] { windows.ShowMain(); }, kPause);
    splash.show();
    QTest::qWait(50);  // the first tick has come; the pause runs
    QCOMPARE(windows.MainLoads(), 0);
    QTest::keyClick(&splash, Qt::Key_X);
    QCOMPARE(windows.MainLoads(), 1);
    QTest::qWait(2 * kPause);
    QCOMPARE(windows.MainLoads(), 1);
  }

  // "mailshift FILE": the file is chosen as the main window loads, as a dropped file is; a
  // later showing of the window leaves the choice alone.
  void aDatabaseFileFromTheCommandLineIsChosenAsTheWindowLoads() {
    TestServices t;
    ProgramWindows windows(t.services);
    const QString chosen = QStringLiteral("/data/Mail - Ann Lee.nsf");
    frmSplash splash([&] { windows.ShowMain(chosen.toStdString()); }, kLongPause);
    splash.show();
    QTest::keyClick(&splash, Qt::Key_A);
    QCOMPARE(Find<QLineEdit>(*windows.Main(), "txtNotesDatabaseFile")->text(), chosen);
    QVERIFY(Find<QPushButton>(*windows.Main(), "CmdScan")->isEnabled());
    windows.ShowMain("/data/Other.nsf");
    QCOMPARE(Find<QLineEdit>(*windows.Main(), "txtNotesDatabaseFile")->text(), chosen);
  }

  void showingTheMainWindowAgainDoesNotLoadItAgain() {
    TestServices t;
    ProgramWindows windows(t.services);
    windows.ShowMain();
    frmMain* first = windows.Main();
    first->hide();
    windows.ShowMain();
    QCOMPARE(windows.Main(), first);
    QCOMPARE(windows.MainLoads(), 1);
    QVERIFY(first->isVisible());
  }
};

}  // namespace mailshift::shell::testing

QTEST_MAIN(mailshift::shell::testing::SplashTest)
#include "SplashTest.moc"
