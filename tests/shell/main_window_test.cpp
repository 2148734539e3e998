// The main window: one window for the process, the pane of the chosen section, made only when
// the section changes, and the sidebar that follows the dictation and the history.
#include "app/panes/pane_factory.h"
#include "app/shell/design/theme.h"
#include "app/shell/main_window.h"
#include "app/shell/root_view.h"
#include "app/shell/sidebar.h"
#include "app/shell/status_menu.h"
#include "app/shell/tray_presence.h"
#include "app/stores/history.h"
#include "tests/support/controller_harness.h"

#include <QPointer>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

namespace tavik {
namespace {

using design::Theme;
using dictation::Action;
using Section = AppState::Section;

class MainWindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        stage.start();
        main = std::make_unique<MainWindowController>(stage.controller(), panes::makePane,
                                                      stage.clock);
    }
    RootView& root() { return *main->rootView(); }
    Sidebar& sidebar() { return *root().sidebar(); }

    test::ControllerStage stage;
    std::unique_ptr<MainWindowController> main;
};

TEST_F(MainWindowTest, OneWindowMadeByTheFirstShowAndHiddenWhenClosed) {
    EXPECT_EQ(main->window(), nullptr);
    main->show(Section::settings);
    QWidget* window = main->window();
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(window->isWindow());
    EXPECT_EQ(window->windowTitle(), "Tavik");
    // 900 x 580 where the screen holds it (the offscreen screen here is 800 wide).
    EXPECT_EQ(window->minimumSize(),
              QSize(900, 580).boundedTo(window->screen()->availableGeometry().size()));
    EXPECT_EQ(main->state().section(), Section::settings);
    EXPECT_EQ(root().paneSection(), Section::settings);

    main->state().setSearch("standup");
    EXPECT_TRUE(window->close());
    EXPECT_FALSE(window->isVisible());
    main->show(std::nullopt);
    EXPECT_EQ(main->window(), window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(main->state().section(), Section::settings);
    EXPECT_EQ(main->state().search(), "standup");

    window->showMinimized();
    main->show(Section::dictation);
    EXPECT_FALSE(window->windowState() & Qt::WindowMinimized)
        << "without a taskbar entry a minimised window could not be found again";
    EXPECT_EQ(root().paneSection(), Section::dictation);
}

TEST_F(MainWindowTest, APaneIsMadeWhenItsSectionIsChosenAndOnlyThen) {
    main->show(Section::snippets);
    QPointer<QWidget> pane = root().pane();
    ASSERT_FALSE(pane.isNull());

    // A dictation into another application publishes state and level many times a second.
    stage.press(Action::pushToTalk);
    stage.speak(0.5);
    stage.advance(1.0);
    stage.release(1.5);
    stage.runJobs();
    main->state().setSection(Section::snippets); // the same section again
    main->show(Section::snippets);
    main->state().setHovered(QUuid::createUuid());
    EXPECT_EQ(root().pane(), pane.data());

    main->state().setSection(Section::scratchpad);
    EXPECT_NE(root().pane(), pane.data());
    EXPECT_EQ(root().paneSection(), Section::scratchpad);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(pane.isNull()) << "only the selected pane exists";
}

TEST_F(MainWindowTest, SidebarRowsSelectTheirSectionAnywhereAcrossTheRow) {
    main->show(Section::dictation);
    for (Section section : AppState::allSections()) {
        SidebarRow* row = sidebar().row(section);
        ASSERT_NE(row, nullptr);
        // The far right of the row, past the title, selects it as well.
        QTest::mouseClick(row, Qt::LeftButton, {}, QPoint(row->width() - 3, row->height() / 2));
        EXPECT_EQ(main->state().section(), section);
        EXPECT_EQ(root().paneSection(), section);
        for (Section other : AppState::allSections()) {
            EXPECT_EQ(sidebar().row(other)->isChecked(), other == section);
        }
        // The kelp fill sits inside the row; the column around it stays deep.
        const QImage picture = sidebar().grab().toImage();
        const QPoint inside = row->mapTo(&sidebar(), QPoint(3, row->height() / 2));
        EXPECT_EQ(picture.pixelColor(inside).name().toStdString(),
                  Theme::kelp.name().toStdString());
        const QPoint outside = row->mapTo(&sidebar(), QPoint(-4, row->height() / 2));
        EXPECT_EQ(picture.pixelColor(outside).name().toStdString(),
                  Theme::deep.name().toStdString());
    }
    const QImage picture = sidebar().grab().toImage();
    const SidebarRow* unselected = sidebar().row(Section::dictation);
    EXPECT_EQ(picture.pixelColor(unselected->mapTo(&sidebar(), QPoint(3, 3))).name().toStdString(),
              Theme::deep.name().toStdString());

    // The keyboard reaches them too: Enter on a focused row, arrows between rows.
    SidebarRow* insights = sidebar().row(Section::insights);
    insights->setFocus();
    QTest::keyClick(insights, Qt::Key_Return);
    EXPECT_EQ(main->state().section(), Section::insights);
    EXPECT_EQ(insights->accessibleName(), "Insights");
}

TEST_F(MainWindowTest, FooterFollowsTheDictationAndTheHistory) {
    main->show(Section::dictation);
    EXPECT_EQ(sidebar().statusText(), "Ready");
    EXPECT_EQ(sidebar().statusColor(), Theme::mist);
    const int savedBefore = static_cast<int>(History::shared().entries().size());
    EXPECT_EQ(sidebar().countText(), QStringLiteral("%1 dictations saved").arg(savedBefore));

    stage.press(Action::pushToTalk);
    EXPECT_EQ(sidebar().statusText(), "Listening");
    EXPECT_EQ(sidebar().statusColor(), Theme::phosphor);
    stage.speak(1.0);
    stage.release(1.0);
    EXPECT_EQ(sidebar().statusText(), "Transcribing");
    EXPECT_EQ(sidebar().statusColor(), Theme::mist);
    stage.runJobs();
    EXPECT_EQ(sidebar().statusText(), "Ready");

    HistoryEntry entry;
    entry.id = QUuid::createUuid();
    entry.text = "hello world";
    entry.at = QDateTime::currentDateTimeUtc();
    History::shared().add(entry);
    EXPECT_EQ(sidebar().countText(), QStringLiteral("%1 dictations saved").arg(savedBefore + 1));

    EXPECT_EQ(Sidebar::statusText(dictation::State::loading()), "Loading model");
    EXPECT_EQ(Sidebar::statusColor(dictation::State::loading()), Theme::silver);
    EXPECT_EQ(Sidebar::countText(1), "1 dictations saved");
}

TEST_F(MainWindowTest, WithNoMicrophoneToRecordFromTheFooterIsNotReady) {
    main->show(Section::dictation);
    ASSERT_EQ(sidebar().statusText(), "Ready");
    // The sound server gone (or no microphone at all): the press would fail, and says so.
    stage.capture->status = {};
    stage.controller().refreshMicrophones();
    EXPECT_EQ(sidebar().statusText(), "Microphone unavailable");
    EXPECT_EQ(sidebar().statusColor(), Theme::phosphor);
    stage.press(Action::pushToTalk); // the fake microphone still starts: a recording shows
    EXPECT_EQ(sidebar().statusText(), "Listening");
}

TEST_F(MainWindowTest, WithoutATrayTheFooterSaysTheTrayMenusProblemLine) {
    main->show(Section::dictation);
    ASSERT_FALSE(TrayPresence::shared().shown());
    EXPECT_EQ(sidebar().problemText(), "");

    // A microphone that will not start: the menu's problem line, word for word, under the state.
    stage.capture->running = false;
    stage.capture->startError =
        Error::tavik(10, "The microphone would not start: Tavik-Test\tMic & <b>co</b>");
    stage.press(Action::pushToTalk);
    ASSERT_TRUE(stage.controller().lastError().has_value());
    const QList<status_menu::Item> menu = status_menu::items(
        {stage.state(), stage.controller().triggerLabel(), stage.controller().lastError(), {}});
    ASSERT_EQ(menu[1].key, "problem");
    EXPECT_EQ(sidebar().problemText(), menu[1].title);
    EXPECT_EQ(sidebar().statusText(), stage.state().message());

    // Where a tray shows the menu, the line is said there alone.
    TrayPresence::shared().setShown(true);
    EXPECT_EQ(sidebar().problemText(), "");
    TrayPresence::shared().setShown(false);
    EXPECT_EQ(sidebar().problemText(), menu[1].title);

    // A dictation that reaches its application clears the problem, in both places.
    stage.capture->startError.reset();
    stage.advance(11.0); // past the failed state's watchdog
    stage.press(Action::pushToTalk);
    stage.speak(1.0);
    stage.release(1.0);
    stage.runJobs();
    EXPECT_FALSE(stage.controller().lastError().has_value());
    EXPECT_EQ(sidebar().problemText(), "");
}

TEST_F(MainWindowTest, ALongFailureWrapsInTheColumnWithoutGrowingTheWindow) {
    main->show(Section::dictation);
    QWidget* window = main->window();
    const int minimumBefore = window->minimumSizeHint().height();
    QString message;
    for (int i = 0; i < 200; ++i) {
        message += QStringLiteral("word%1 ").arg(i);
    }
    // The controller's own failures are short; the sidebar shows whatever a failure says.
    emit stage.controller().stateChanged(dictation::State::failed(message));
    EXPECT_TRUE(sidebar().statusText().startsWith("word0 word1"));
    EXPECT_EQ(sidebar().statusColor(), Theme::phosphor);
    EXPECT_EQ(sidebar().width(), 190);
    EXPECT_LE(window->minimumSizeHint().height(), std::max(minimumBefore, 580));
    EXPECT_LE(window->minimumSize().height(), 580);
}

} // namespace
} // namespace tavik
