// What the main window and the quit do for the user's files: a burst of deletes and an
// immediate quit leave the history the pane showed; a home that cannot be written is told
// above every pane, and what was kept reaches the disk once it can.
#include "app/panes/history/dictation_view.h"
#include "app/panes/history/history_list.h"
#include "app/panes/pane_factory.h"
#include "app/shell/design/buttons.h"
#include "app/shell/design/motion.h"
#include "app/shell/main_window.h"
#include "app/shell/root_view.h"
#include "app/shell/store_notice_bar.h"
#include "app/shell/termination.h"
#include "app/stores/history.h"
#include "app/stores/history_file.h"
#include "app/stores/shared_saves.h"
#include "app/stores/store_notices.h"
#include "app/stores/vocabulary.h"
#include "platform/defaults_store.h"
#include "platform/folders.h"
#include "tests/panes/history_support.h"
#include "tests/stores/history_support.h"
#include "tests/support/fixtures.h"
#include "tests/support/small_file_system.h"

#include <QApplication>
#include <QKeyEvent>
#include <QTest>

#include <gtest/gtest.h>

namespace tavik {
namespace {

using namespace std::chrono_literals;
using Section = AppState::Section;

QStringList idsOf(const QList<HistoryEntry>& entries) {
    QStringList ids;
    for (const HistoryEntry& entry : entries) {
        ids << entry.id.toString();
    }
    return ids;
}

// Holding Delete on the list for about four seconds, then quitting at once: every write but the
// newest is overtaken, and the quit waits for that one.
TEST(StoreSaves, ABurstOfDeletesThenAnImmediateQuitLeavesWhatThePaneShowed) {
    design::Motion::setEnabled(false);
    test::seedHistoryFile(test::manyDictations(History::maxEntries, QDateTime::currentDateTime()));
    test::ControllerStage stage;
    stage.sharedStores = true;
    stage.start();
    AppState state(stage.clock);
    panes::DictationView view(stage.controller(), state);
    view.resize(900, 700);
    view.show();
    QApplication::setActiveWindow(&view);
    panes::HistoryList* list = view.list();
    list->setFocus(Qt::TabFocusReason);

    for (int i = 0; i < 120; ++i) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_Delete, Qt::NoModifier, QString(), i > 0);
        QApplication::sendEvent(list, &press);
    }
    QStringList shown;
    for (int row = 0; row < int(list->listLayout().rows().size()); ++row) {
        shown << list->listLayout().entry(row).id.toString();
    }
    ASSERT_EQ(shown.size(), History::maxEntries - 120);

    int exitStatus = -1;
    Termination(stage.controller(), [&exitStatus](int status) { exitStatus = status; }).run();
    EXPECT_EQ(exitStatus, 0);
    const auto onDisk = history_file::decode(test::readAll(History::shared().filePath()));
    ASSERT_TRUE(onDisk.has_value());
    EXPECT_EQ(idsOf(*onDisk), shown);
    EXPECT_FALSE(stage.log().join('\n').contains("quit:")) << "nothing was left unsaved";
}

class StoreSavesOnAPrivateDisk : public ::testing::Test {
protected:
    void SetUp() override {
        TAVIK_RUN_IN_PRIVATE_MOUNT_NAMESPACE();
        inChild = true;
        design::Motion::setEnabled(false);
        disk = std::make_unique<test::SmallFileSystem>(QDir::homePath(), 4 * 1024 * 1024);
    }

    bool inChild = false;
    std::unique_ptr<test::SmallFileSystem> disk;
};

TEST_F(StoreSavesOnAPrivateDisk, AReadOnlyHomeIsShownAboveEveryPaneUntilTheChangesAreSaved) {
    if (!inChild) {
        return;
    }
    // A history that cannot be read, found at start.
    const QString data = platform::Folders::fromEnvironment().data;
    ASSERT_TRUE(platform::writeFileDurably(data + "/history.json", "[{\"id\": 1"));
    watchSharedStores(StoreNotices::shared());
    test::ControllerStage stage;
    stage.sharedStores = true;
    stage.start();
    MainWindowController main(stage.controller(), panes::makePane, stage.clock);
    main.show(Section::dictation);
    StoreNoticeBar* bar = main.rootView()->noticeBar();
    ASSERT_TRUE(test::spinUntil([bar] { return bar->isVisible(); }, 5000));
    const QString copy = QDir(data).entryList({"history.json.unreadable-*"}).value(0);
    ASSERT_FALSE(copy.isEmpty());
    EXPECT_EQ(bar->text(), "history.json could not be read, so Tavik started without it and "
                           "moved it aside to " +
                               data + "/" + copy + ".");
    EXPECT_FALSE(bar->retryButton()->isVisible());
    QTest::mouseClick(bar->dismissButton(), Qt::LeftButton);
    EXPECT_FALSE(bar->isVisible());

    disk->setReadOnly(true);
    Vocabulary::shared().setTerms({"Kubernetes"});
    History::shared().add(
        test::dictation("said while the home was read-only", QDateTime::currentDateTime()));
    // The dictionary fails at once, the history on its writer's thread: the bar names both once
    // the second failure is in.
    const QString both = "Could not save your dictionary and your history: Read-only file "
                         "system. Tavik keeps your changes while it runs and tries again.";
    // Generous waits: a loaded machine (the sanitizer pass) may take seconds for the writer.
    ASSERT_TRUE(test::spinUntil([bar] { return bar->isVisible(); }, 20000));
    test::spinUntil([bar, &both] { return bar->text() == both; }, 20000);
    EXPECT_EQ(bar->text().toStdString(), both.toStdString());
    EXPECT_EQ(bar->accessibleName(), bar->text());
    main.state().setSection(Section::settings);
    EXPECT_TRUE(bar->isVisible()) << "shown whatever the section";

    // Writable again: the next dictation writes the history it kept, and the button (or the
    // periodic retry) the dictionary; no restart.
    disk->setReadOnly(false);
    History::shared().add(test::dictation("writable again", QDateTime::currentDateTime()));
    ASSERT_TRUE(History::shared().flush(20s));
    // On a slow machine the periodic retry may have saved the dictionary first.
    ASSERT_TRUE(test::spinUntil(
        [bar] {
            return !bar->isVisible() || bar->text().startsWith("Could not save your dictionary:");
        },
        20000))
        << bar->text().toStdString();
    if (bar->isVisible()) {
        QTest::mouseClick(bar->retryButton(), Qt::LeftButton);
    }
    ASSERT_TRUE(test::spinUntil([bar] { return !bar->isVisible(); }, 20000));
    platform::DefaultsStore onDisk(platform::DefaultsStore::shared().path());
    EXPECT_EQ(Vocabulary(onDisk).terms(), QStringList{"Kubernetes"});
    EXPECT_EQ(idsOf(History(History::shared().filePath()).entries()),
              idsOf(History::shared().entries()));
}

} // namespace
} // namespace tavik
