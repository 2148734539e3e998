// The AI rewrite from a history row against a real HTTPS server on 127.0.0.1: its notices, the
// clipboard, the failure sound, and answers that arrive after the pane or the entry is gone.
#include "app/panes/history/dictation_view.h"
#include "app/panes/history/history_list.h"
#include "app/shell/design/motion.h"
#include "app/stores/preferences.h"
#include "app/stores/rewrite_service.h"
#include "tests/panes/history_support.h"
#include "tests/support/fixtures.h"
#include "tests/support/rewrite_https_server.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QJsonDocument>
#include <QMenu>
#include <QTest>

namespace tavik::panes {
namespace {

class HistoryRewriteTest : public ::testing::Test {
protected:
    void SetUp() override {
        design::Motion::setEnabled(false);
        ASSERT_TRUE(server.isListening());
        Preferences::shared().setRewriteServiceURL(server.baseUrl());
        RewriteService::shared().setSslConfiguration(server.trustingClientConfiguration());
        RewriteService::shared().setIdleTimeout(RewriteService::defaultIdleTimeout);
        Transforms::shared().setItems(
            {Transforms::Transform("Formal", TransformKind::ai, "Make it formal")});
        stage.start();
        entry = test::dictation("hey can u send it", QDateTime::currentDateTime());
        History::shared().add(entry);
        QGuiApplication::clipboard()->setText("what the user had");
        view = std::make_unique<DictationView>(stage.controller(), state, nullptr,
                                               [this](const QString& name) { sounds << name; });
        view->resize(900, 700);
        view->show();
    }

    // Picks "Formal  ↗" from the entry's transform menu, as a person would.
    void rewriteFromTheMenu() {
        HistoryList* list = view->list();
        const int row = list->listLayout().rowOf(entry.id);
        QTest::mouseMove(list, list->listLayout().rowRect(row).center().toPoint());
        QPoint wand;
        for (const EntryRow::StripItem& item : list->rowGeometry(row).strip) {
            if (item.action == EntryRow::Action::menu) {
                wand = item.rect.center().toPoint();
            }
        }
        QTest::mousePress(list, Qt::LeftButton, Qt::NoModifier, wand);
        QMenu* menu = list->openMenu();
        ASSERT_NE(menu, nullptr);
        QAction* formal = menu->actions().last();
        ASSERT_EQ(formal->text(), QString::fromUtf8("Formal  ↗"));
        formal->trigger();
        menu->close();
        ASSERT_TRUE(state.notice());
        EXPECT_EQ(*state.notice(), QString::fromUtf8("Rewriting with “Formal”…"));
        EXPECT_FALSE(state.noticeIsError());
    }

    bool answered() {
        return test::spinUntil(
            [&] { return state.notice() && !state.notice()->startsWith("Rewriting"); }, 20'000);
    }

    test::RewriteHttpsServer server;
    test::ControllerStage stage;
    test::FakeClock clock;
    AppState state{clock};
    HistoryEntry entry;
    std::unique_ptr<DictationView> view;
    QStringList sounds;
};

TEST_F(HistoryRewriteTest, ARewriteLandsOnTheClipboardAndMarksItsRow) {
    server.setReply({200, "OK", "application/json", R"({"text":"Could you please send it?"})"});
    rewriteFromTheMenu();
    ASSERT_TRUE(answered());
    EXPECT_EQ(*state.notice(),
              QString::fromUtf8("“Formal” done — the rewrite is on your clipboard."));
    EXPECT_FALSE(state.noticeIsError());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "Could you please send it?");
    EXPECT_EQ(state.copied(), entry.id);
    EXPECT_TRUE(sounds.isEmpty());
    ASSERT_EQ(server.requests().size(), 1);
    const QJsonDocument sent = QJsonDocument::fromJson(server.requests()[0].body);
    EXPECT_EQ(sent["instruction"].toString(), "Make it formal");
    EXPECT_EQ(sent["text"].toString(), "hey can u send it");
    clock.advanceMs(2'600);
    EXPECT_FALSE(state.notice());
}

TEST_F(HistoryRewriteTest, AServiceErrorIsHeardAndShownForEightSecondsLeavingTheClipboard) {
    server.setReply({500, "Internal Server Error", "application/json", R"({"error":"quota"})"});
    rewriteFromTheMenu();
    ASSERT_TRUE(answered());
    EXPECT_EQ(*state.notice(), "quota");
    EXPECT_TRUE(state.noticeIsError());
    EXPECT_EQ(sounds, QStringList({"Basso"}));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "what the user had");
    EXPECT_FALSE(state.copied());
    clock.advanceMs(7'900);
    EXPECT_TRUE(state.notice());
    clock.advanceMs(200);
    EXPECT_FALSE(state.notice());
}

TEST_F(HistoryRewriteTest, AFloodOfErrorTextIsShownShortAndARewriteReachesTheClipboardClean) {
    // Within the reply's bound, yet far more than a notice can lay out without freezing.
    const QByteArray flood = "quota \\u202e" + QByteArray(400'000, 'x');
    server.setReply(
        {500, "Internal Server Error", "application/json", R"({"error":")" + flood + R"("})"});
    rewriteFromTheMenu();
    ASSERT_TRUE(answered());
    EXPECT_TRUE(state.noticeIsError());
    EXPECT_TRUE(state.notice()->startsWith("quota xxx")) << state.notice()->left(40).toStdString();
    EXPECT_LE(state.notice()->size(), 400);

    server.setReply(
        {200, "OK", "application/json", R"({"text":"\u001b[2JPlease\u0007 send it."})"});
    rewriteFromTheMenu();
    ASSERT_TRUE(answered());
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "[2JPlease send it.");
}

TEST_F(HistoryRewriteTest, ASilentServiceTimesOutWithTheTransportsOwnWords) {
    server.setReply({200, "OK", "application/json", {}, /*silent=*/true});
    RewriteService::shared().setIdleTimeout(std::chrono::milliseconds(400));
    rewriteFromTheMenu();
    ASSERT_TRUE(answered());
    EXPECT_TRUE(state.noticeIsError());
    EXPECT_FALSE(state.notice()->isEmpty());
    EXPECT_EQ(sounds, QStringList({"Basso"}));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "what the user had");
}

TEST_F(HistoryRewriteTest, AnAnswerAfterThePaneAndTheEntryAreGoneIsStillDelivered) {
    server.setReply({200, "OK", "application/json", R"({"text":"Kindly send it."})"});
    rewriteFromTheMenu();
    // The user deletes the entry and leaves the section before the service answers.
    History::shared().remove(entry);
    view.reset();
    ASSERT_TRUE(answered());
    EXPECT_EQ(*state.notice(),
              QString::fromUtf8("“Formal” done — the rewrite is on your clipboard."));
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "Kindly send it.");
    // Nothing else changed: the entry stays deleted.
    EXPECT_TRUE(History::shared().entries().isEmpty());
}

TEST_F(HistoryRewriteTest, AnAnswerAfterTheWindowsStateIsGoneChangesNothing) {
    // The service never answers; the transfer times out after the window is gone.
    server.setReply({200, "OK", "application/json", {}, /*silent=*/true});
    RewriteService::shared().setIdleTimeout(std::chrono::milliseconds(400));
    auto orphan = std::make_unique<AppState>(clock);
    EntryActions(*orphan, [this](const QString& name) {
        sounds << name;
    }).runAI(entry, Transforms::shared().items().front());
    // The window goes while the request is on its way.
    ASSERT_TRUE(test::spinUntil([&] { return server.requests().size() == 1; }, 20'000));
    orphan.reset();
    // A second request, started later and timing out the same way, shows the first one has
    // ended too.
    std::optional<RewriteResult> probe;
    QObject receiver;
    Transforms::applyAI("x", "y", &receiver, [&](const RewriteResult& r) { probe = r; });
    ASSERT_TRUE(test::spinUntil([&] { return probe.has_value(); }, 20'000));
    test::spinUntil([] { return false; }, 200);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "what the user had");
    EXPECT_TRUE(sounds.isEmpty());
}

} // namespace
} // namespace tavik::panes
