// The export window's captions, fonts and places.
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTest>

#include "ShellTestSupport.h"
#include "shell/WindowFont.h"
#include "shell/frmSave.h"

namespace mailshift::shell::testing {

class SaveWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void twipsBecomePixelsAtNinetySixDotsPerInch() {
    QCOMPARE(FromTwips({120, 120, 7095, 1815}), QRect(8, 8, 473, 121));
    QCOMPARE(FromTwips({0, 0, 7350, 2565}).size(), QSize(490, 171));
    QCOMPARE(FromTwips({810, 360, 150, 240}), QRect(54, 24, 10, 16));
    QCOMPARE(FromTwips({2520, 2040, 2295, 435}), QRect(168, 136, 153, 29));
  }

  void opensWithItsDesignCaptionsInTheirPlaces() {
    TestServices t;
    ExportPresenter presenter(t.core, mail::ExportPlan{});
    frmSave window(nullptr, presenter, t.services);
    window.show();
    QCOMPARE(window.windowTitle(), QStringLiteral("Export to Outlook Express .EML format"));
    QCOMPARE(window.size(), QSize(490, 171));
    QCOMPARE(window.minimumSize(), window.maximumSize());
    QVERIFY(window.isModal());
    QVERIFY(!window.windowIcon().isNull());
    QVERIFY(window.font().family() == WindowFontFamily());
    QCOMPARE(window.font().pointSizeF(), 8.25);

    const auto* frame = Find<QGroupBox>(window, "ExportFrame");
    QCOMPARE(frame->title(), QStringLiteral(" Export Progress Details"));
    QCOMPARE(frame->geometry(), QRect(8, 8, 473, 121));

    struct Expected {
      const char* name;
      const char* caption;
      QRect place;
      bool bold;
    };
    const Expected labels[] = {
        {"LblSaveHeader", "Checking Configuration...", QRect(72, 24, 123, 13), false},
        {"LblSubject", "Subject :", QRect(16, 48, 49, 13), true},
        {"LblProcessing", "", QRect(72, 48, 395, 37), false},
        {"LblFoundLabel", "Found :", QRect(24, 88, 47, 13), true},
        {"LblFound", "", QRect(72, 88, 115, 13), false},
        {"Label1", "Current :", QRect(296, 88, 49, 13), true},
        {"LblCurrent", "", QRect(352, 88, 99, 13), false},
    };
    for (const Expected& expected : labels) {
      const auto* label = Find<QLabel>(window, expected.name);
      QCOMPARE(label->parentWidget(), frame);
      QCOMPARE(label->text(), QString::fromUtf8(expected.caption));
      QCOMPARE(label->font().bold(), expected.bold);
      QCOMPARE(label->font().family(), WindowFontFamily());
      QCOMPARE(label->font().pointSizeF(), 8.25);
      QCOMPARE(label->pos(), expected.place.topLeft());
      QCOMPARE(label->height(), expected.place.height());
      // The header may reach further right than designed, so that folder names fit.
      QVERIFY2(label->width() >= expected.place.width(), expected.name);
      QVERIFY2(frame->rect().contains(label->geometry()), expected.name);
      QVERIFY2(label->isVisible(), expected.name);
    }
    QVERIFY(Find<QLabel>(window, "LblProcessing")->wordWrap());

    const auto* arrow = Find<QLabel>(window, "ImgReadingArrow");
    QCOMPARE(arrow->parentWidget(), frame);
    QCOMPARE(arrow->geometry(), QRect(54, 24, 10, 16));
    QCOMPARE(arrow->pixmap().size(), QSize(10, 16));

    const auto* button = Find<QPushButton>(window, "CmdConversion");
    QCOMPARE(button->text(), QStringLiteral("&Export Emails"));
    QCOMPARE(button->geometry(), QRect(168, 136, 153, 29));
    QVERIFY(button->isEnabled());
  }
};

}  // namespace mailshift::shell::testing

QTEST_MAIN(mailshift::shell::testing::SaveWindowTest)
#include "SaveWindowTest.moc"
