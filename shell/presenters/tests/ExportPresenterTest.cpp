// The export window's stages, label texts, closing messages and buttons, against a recording
// window and a scripted run.
#include <gtest/gtest.h>

#include <stdexcept>

#include "PresenterFakes.h"
#include "common/Messages.h"
#include "shell/presenters/ExportPresenter.h"

namespace mailshift::shell::testing {
namespace {

mail::ExportPlan Plan() {
  mail::ExportPlan plan;
  plan.databasePath = "/mail/jdoe.nsf";
  plan.title = "John Doe Mail";
  plan.folders = {"Inbox", "Projects"};
  plan.destination = "/out";
  return plan;
}

// A run over the user folder "Projects" (one message) and the Inbox (two, the first written
// by an earlier export), as the core tells it.
mail::ExportReport TwoFolderRun(mail::ExportObserver& observer) {
  observer.RunStarted();
  observer.SessionReady();
  observer.LookingForFolders();
  observer.FolderStarted(mail::FolderStart{false, "Projects", "Projects"});
  observer.FolderCounted(1);
  observer.DocumentStarted(mail::DocumentProgress{"Projects", "Plan", 0, 1});
  observer.DocumentHandled(mail::DocumentProgress{"Projects", "Plan", 1, 1, true});
  observer.FolderStarted(mail::FolderStart{true, "Inbox", "Inbox"});
  observer.FolderCounted(2);
  observer.DocumentHandled(mail::DocumentProgress{"Inbox", "", 1, 2, false, true});
  observer.DocumentStarted(mail::DocumentProgress{"Inbox", "Hello", 1, 2});
  observer.DocumentHandled(mail::DocumentProgress{"Inbox", "Hello", 2, 2, true});
  mail::ExportReport report;
  report.messages = 2;
  report.skipped = 1;
  report.outputRoot = "/out/John Doe Mail/";
  report.logPath = "/logs/Log.txt";
  report.logComplete = true;
  return report;
}

struct ExportWindow {
  ExportWindow() : presenter(core, Plan()) { presenter.Attach(view); }
  FakeMailCore core;
  FakeExportView view;
  ExportPresenter presenter;
};

TEST(ExportPresenter, OpensReadyRunsWithTheLabelsFollowingAndEndsDone) {
  ExportWindow window;
  EXPECT_EQ(window.view.stage, ExportStage::Ready);
  EXPECT_EQ(window.view.labels[ExportLabel::LblSaveHeader], "Checking Configuration...");
  EXPECT_EQ(window.view.labels[ExportLabel::LblProcessing], "");
  window.view.labelHistory.clear();

  std::optional<ExportStage> stageDuringRun;
  window.core.exportRun = [&](const mail::ExportPlan& plan, mail::ExportObserver& observer) {
    EXPECT_EQ(plan.folders, Plan().folders);
    stageDuringRun = window.view.stage;
    return TwoFolderRun(observer);
  };
  window.presenter.CmdConversion_Click();
  EXPECT_EQ(stageDuringRun, ExportStage::Running);
  EXPECT_EQ(window.view.labelHistory,
            (std::vector<std::string>{
                "LblSaveHeader=Checking Configuration...", "LblProcessing=Processing...",
                "LblFound=", "LblCurrent=", "LblSaveHeader=Saving Emails (Custom Folders)...",
                "LblSaveHeader=Saving Emails (Custom Folders)... [Projects]", "LblFound=1",
                "LblProcessing=Plan", "LblCurrent=0/1", "LblSaveHeader=Saving Emails (Inbox)...",
                "LblFound=2", "LblCurrent=0/2", "LblProcessing=Hello", "LblCurrent=1/2",
                // The end: the messages of the run and the files written of them.
                "LblSaveHeader=Export Finished", "LblProcessing=", "LblFound=3", "LblCurrent=2/3"}));
  EXPECT_TRUE(window.view.subjectShown);
  EXPECT_GT(window.view.follows, 10);

  ASSERT_EQ(window.view.messages.shown.size(), 1u);
  EXPECT_EQ(window.view.messages.shown[0].text, "Migration Completed: 2 written");
  EXPECT_EQ(window.view.messages.shown[0].title, "Export to Outlook Express");
  EXPECT_EQ(window.view.messages.shown[0].icon, MessageIcon::Information);
  EXPECT_EQ(window.view.stage, ExportStage::Done);
  EXPECT_TRUE(window.view.canOpenFolder);
  EXPECT_TRUE(window.view.canOpenLog);

  // Open Folder and Open Log hand their paths to the desktop; one that fails says so.
  window.presenter.CmdOpenFolder_Click();
  window.view.openSucceeds = false;
  window.presenter.CmdOpenLog_Click();
  EXPECT_EQ(window.view.opened, (std::vector<std::string>{"/out/John Doe Mail/", "/logs/Log.txt"}));
  EXPECT_EQ(window.view.messages.shown.back().text, "The log could not be opened:\r\n/logs/Log.txt");
  window.presenter.CmdClose_Click();
  EXPECT_EQ(window.view.closed, 1);
}

TEST(ExportPresenter, EachStandardFolderHasItsHeaderAndTheSubjectShowsOnlyWithASession) {
  ExportWindow window;
  window.core.exportRun = [](const mail::ExportPlan&, mail::ExportObserver& observer) {
    observer.RunStarted();
    observer.SessionReady();
    for (const char* tag : {"Inbox", "Sent", "Drafts", "Follow-Up", "JunkMail", "Trash"})
      observer.FolderStarted(mail::FolderStart{true, tag, tag});
    return mail::ExportReport{};
  };
  window.presenter.CmdConversion_Click();
  EXPECT_TRUE(window.view.subjectShown);
  EXPECT_EQ(
      std::vector<std::string>(window.view.labelHistory.end() - 10, window.view.labelHistory.end() - 4),
      (std::vector<std::string>{
          "LblSaveHeader=Saving Emails (Inbox)...", "LblSaveHeader=Saving Emails (Sent Items)...",
          "LblSaveHeader=Saving Emails (Drafts)...", "LblSaveHeader=Saving Emails (Follow Up)...",
          "LblSaveHeader=Saving Emails (Junk Mail)...", "LblSaveHeader=Saving Emails (Deleted Items)..."}));

  // A run that gets no session leaves the subject caption hidden.
  window.core.exportRun = [](const mail::ExportPlan&, mail::ExportObserver& observer) {
    observer.RunStarted();
    mail::ExportReport report;
    report.end = mail::ExportEnd::NotesNotInstalled;
    return report;
  };
  window.presenter.CmdConversion_Click();
  EXPECT_FALSE(window.view.subjectShown);
}

TEST(ExportPresenter, ARunWithLossesOrWithoutAStartSaysSoAndLeavesTheButtonBack) {
  struct Case {
    mail::ExportEnd end;
    std::string text;
    std::string title;
    MessageIcon icon;
    ExportStage stage;
  };
  const Case cases[] = {
      {mail::ExportEnd::Completed, "Migration Completed: 1 written", "Export to Outlook Express",
       MessageIcon::Exclamation, ExportStage::Done},
      {mail::ExportEnd::NotesNotInstalled, NotInstalledText(), "Notes Not Installed/Configured",
       MessageIcon::Information, ExportStage::Ready},
      {mail::ExportEnd::DestinationError, "/out cannot be written: disk full", "Error in Conversion",
       MessageIcon::Exclamation, ExportStage::Ready},
      {mail::ExportEnd::ConversionError, "Error occured during conversion...", "Error in Conversion",
       MessageIcon::Information, ExportStage::Ready},
  };
  for (const Case& expected : cases) {
    ExportWindow window;
    window.core.exportRun = [&](const mail::ExportPlan&, mail::ExportObserver&) {
      mail::ExportReport report;
      report.end = expected.end;
      report.failure = "disk full";
      report.messages = 2;
      report.notWritten = 1;
      return report;
    };
    window.presenter.CmdConversion_Click();
    ASSERT_EQ(window.view.messages.shown.size(), 1u);
    EXPECT_EQ(window.view.messages.shown[0].text, expected.text);
    EXPECT_EQ(window.view.messages.shown[0].title, expected.title);
    EXPECT_EQ(window.view.messages.shown[0].icon, expected.icon);
    EXPECT_EQ(window.view.stage, expected.stage);
    // Nothing to open where the run wrote no log and no folder.
    EXPECT_FALSE(window.view.canOpenFolder);
    EXPECT_FALSE(window.view.canOpenLog);
    EXPECT_EQ(window.view.labels[ExportLabel::LblSaveHeader], "Export Not Completed");
    EXPECT_EQ(window.view.labels[ExportLabel::LblCurrent], "1/2");
  }

  // A failure nobody planned for: the message, and the export button is back for another press.
  ExportWindow window;
  window.core.exportRun = [](const mail::ExportPlan&, mail::ExportObserver&) -> mail::ExportReport {
    throw std::runtime_error("out of memory");
  };
  window.presenter.CmdConversion_Click();
  EXPECT_EQ(window.view.messages.shown.back().text, "The command could not be completed:\r\nout of memory");
  EXPECT_EQ(window.view.stage, ExportStage::Ready);
  EXPECT_FALSE(window.presenter.Running());
  EXPECT_EQ(window.view.labels[ExportLabel::LblSaveHeader], "Export Not Completed");
  EXPECT_EQ(window.view.labels[ExportLabel::LblProcessing], "");
}

TEST(ExportPresenter, CancelStopsARunOnceAndClosesTheWindowOtherwise) {
  ExportWindow window;
  int asked = 0;
  bool stopSeen = false;
  window.core.exportRun = [&](const mail::ExportPlan&, mail::ExportObserver& observer) {
    EXPECT_FALSE(observer.StopRequested());
    // The title bar's close button during the run asks it to stop; the window stays.
    EXPECT_FALSE(window.presenter.CloseRequested());
    EXPECT_EQ(window.view.stage, ExportStage::Stopping);
    window.presenter.CmdCancel_Click();  // a second press changes nothing
    for (; asked < 3; ++asked) stopSeen = observer.StopRequested() || stopSeen;
    observer.DocumentStarted(mail::DocumentProgress{"Inbox", "Budget", 120, 233});
    mail::ExportReport report;
    report.stopped = true;
    report.messages = 121;
    report.left = 112;
    return report;
  };
  window.presenter.CmdConversion_Click();
  EXPECT_TRUE(stopSeen);
  // The message being written when the stop came was written, and counts.
  EXPECT_EQ(window.view.labels[ExportLabel::LblSaveHeader], "Export Stopped");
  EXPECT_EQ(window.view.labels[ExportLabel::LblFound], "233");
  EXPECT_EQ(window.view.labels[ExportLabel::LblCurrent], "121/233");
  EXPECT_TRUE(window.presenter.StopWasRequested());
  EXPECT_EQ(window.view.closed, 0);
  EXPECT_EQ(window.view.messages.shown.back().icon, MessageIcon::Exclamation);

  // After the run Cancel, Esc and the title bar close the window.
  window.presenter.CmdCancel_Click();
  EXPECT_EQ(window.view.closed, 1);
  EXPECT_TRUE(window.presenter.CloseRequested());
}

}  // namespace
}  // namespace mailshift::shell::testing
