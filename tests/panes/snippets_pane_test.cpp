// The snippets pane over the real snippet store; the next dictation on the test stage expands
// what was added here.
#include "app/panes/snippets/snippet_row.h"
#include "app/panes/snippets/snippets_pane.h"
#include "app/shell/design/field.h"
#include "app/shell/design/glyph_button.h"
#include "app/shell/design/motion.h"
#include "app/shell/design/surfaces.h"
#include "app/shell/design/toggle.h"
#include "platform/defaults_store.h"
#include "tests/support/controller_harness.h"
#include "tests/support/paste.h"

#include <QFontMetricsF>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace tavik::panes {
namespace {

// Empties a field as a person does, so the pane hears of it.
void erase(QLineEdit* field) {
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
}

using dictation::Action;
using test::ControllerStage;

class SnippetsPaneTest : public ::testing::Test {
protected:
    void SetUp() override {
        design::Motion::setEnabled(false);
        store().setItems({});
        pane = std::make_unique<SnippetsPane>();
        pane->resize(650, 900);
        pane->show();
    }

    static Snippets& store() { return Snippets::shared(); }

    QLineEdit* field(int index) {
        return pane->findChildren<design::TavikField*>().at(index)->lineEdit();
    }
    QPushButton* addButton() { return pane->findChild<QPushButton*>(); }
    void add(const QString& trigger, const QString& expansion) {
        erase(field(0));
        erase(field(1));
        QTest::keyClicks(field(0), trigger);
        QTest::keyClicks(field(1), expansion);
        QTest::mouseClick(addButton(), Qt::LeftButton);
    }
    SnippetRow* row(int index) { return pane->rows().at(std::size_t(index)); }
    QLabel* label(const QString& text) {
        for (auto* l : pane->findChildren<QLabel*>()) {
            if (l->text() == text) {
                return l;
            }
        }
        return nullptr;
    }
    design::Card* card() { return pane->card(); }
    QList<QRectF> separators() {
        QCoreApplication::sendPostedEvents();
        return card()->separatorRects();
    }

    std::unique_ptr<SnippetsPane> pane;
};

TEST_F(SnippetsPaneTest, AddNeedsATriggerAndAnyExpansionAndKeepsDuplicates) {
    EXPECT_FALSE(addButton()->isEnabled());
    QTest::keyClicks(field(0), QStringLiteral("   "));
    QTest::keyClicks(field(1), QStringLiteral("x"));
    EXPECT_FALSE(addButton()->isEnabled());

    erase(field(0));
    QTest::keyClicks(field(0), QStringLiteral("  my email  "));
    erase(field(1));
    QTest::keyClicks(field(1), QStringLiteral(" "));
    EXPECT_TRUE(addButton()->isEnabled());
    // Return adds nothing, in either field.
    QTest::keyClick(field(0), Qt::Key_Return);
    QTest::keyClick(field(1), Qt::Key_Return);
    EXPECT_TRUE(store().items().isEmpty());

    QTest::mouseClick(addButton(), Qt::LeftButton);
    ASSERT_EQ(store().items().size(), 1);
    EXPECT_EQ(store().items()[0].trigger, QStringLiteral("my email"));
    EXPECT_EQ(store().items()[0].expansion, QStringLiteral(" "));
    EXPECT_TRUE(store().items()[0].enabled);
    EXPECT_EQ(field(0)->text(), QString());
    EXPECT_EQ(field(1)->text(), QString());
    EXPECT_FALSE(addButton()->isEnabled());

    add(QStringLiteral("my email"), QStringLiteral("someone@example.com"));
    ASSERT_EQ(store().items().size(), 2);
    EXPECT_EQ(pane->rows().size(), 2u);
    EXPECT_EQ(row(1)->id(), store().items()[1].id);
    EXPECT_DOUBLE_EQ(row(1)->opacity(), 1.0);
    EXPECT_TRUE(row(1)->toggle()->isChecked());
    EXPECT_EQ(separators().size(), 1);
    EXPECT_TRUE(label(QStringLiteral("No snippets yet.")) == nullptr ||
                !label(QStringLiteral("No snippets yet."))->isVisible());
}

TEST_F(SnippetsPaneTest, TheSwitchWritesTheWholeListDimsTheRowAndSurvivesARestart) {
    add(QStringLiteral("one"), QStringLiteral("1"));
    add(QStringLiteral("two"), QStringLiteral("2"));
    add(QStringLiteral("three"), QStringLiteral("3"));
    SnippetRow* second = row(1);
    ASSERT_EQ(separators().size(), 2); // laid out
    const QImage before = card()->grab().toImage();

    QSignalSpy writes(&store(), &Snippets::itemsChanged);
    QTest::mouseClick(second->toggle(), Qt::LeftButton);
    EXPECT_EQ(writes.size(), 1);
    EXPECT_FALSE(store().items()[1].enabled);
    EXPECT_TRUE(store().items()[0].enabled);
    EXPECT_EQ(row(1), second); // the same row, so its switch can finish its slide
    EXPECT_DOUBLE_EQ(second->opacity(), 0.5);

    // The separator under the dimmed row keeps its full strength.
    const QList<QRectF> lines = separators();
    ASSERT_EQ(lines.size(), 2);
    const QImage after = card()->grab().toImage();
    const QPoint onLine(int(lines[1].center().x()), int(lines[1].top()));
    EXPECT_EQ(after.pixelColor(onLine), before.pixelColor(onLine));

    platform::DefaultsStore reread(platform::DefaultsStore::shared().path());
    const QList<Snippet> stored = Snippets(reread).items();
    ASSERT_EQ(stored.size(), 3);
    EXPECT_FALSE(stored[1].enabled);

    // A switch flipped for a snippet deleted meanwhile changes nothing.
    const QUuid gone = stored[1].id;
    store().setItems({store().items()[0], store().items()[2]});
    writes.clear();
    pane->setSnippetEnabled(gone, true);
    EXPECT_EQ(writes.size(), 0);

    QTest::mouseClick(row(1)->toggle(), Qt::LeftButton);
    EXPECT_FALSE(store().items()[1].enabled);
    QTest::mouseClick(row(1)->toggle(), Qt::LeftButton);
    EXPECT_TRUE(store().items()[1].enabled);
    EXPECT_DOUBLE_EQ(row(1)->opacity(), 1.0);

    // Two snippets of one id (a hand-edited file): the second row's switch changes the first
    // snippet of that id, and the second switch goes on showing what is stored for its own.
    Snippet twin = store().items()[0];
    twin.trigger = QStringLiteral("twin");
    store().setItems({store().items()[0], twin});
    QTest::mouseClick(row(1)->toggle(), Qt::LeftButton);
    EXPECT_FALSE(store().items()[0].enabled);
    EXPECT_TRUE(store().items()[1].enabled);
    EXPECT_TRUE(row(1)->toggle()->isChecked());
    EXPECT_FALSE(row(0)->toggle()->isChecked());
}

TEST_F(SnippetsPaneTest, DeletingFromTheRowsOwnButton) {
    add(QStringLiteral("one"), QStringLiteral("1"));
    add(QStringLiteral("two"), QStringLiteral("2"));
    add(QStringLiteral("three"), QStringLiteral("3"));
    SnippetRow* first = row(0);

    QTest::mouseClick(row(2)->deleteButton(), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    ASSERT_EQ(store().items().size(), 2);
    EXPECT_EQ(separators().size(), 1);
    EXPECT_EQ(row(0), first);

    QTest::mouseClick(row(0)->deleteButton(), Qt::LeftButton);
    QTest::mouseClick(row(0)->deleteButton(), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(store().items().isEmpty());
    EXPECT_TRUE(pane->rows().empty());
    EXPECT_TRUE(label(QStringLiteral("No snippets yet."))->isVisible());
    EXPECT_FALSE(card()->isVisible());
    EXPECT_TRUE(label(QStringLiteral("Longer triggers win over shorter ones, so “my work email” "
                                     "is not eaten by “my email”."))
                    ->isVisible());
}

TEST_F(SnippetsPaneTest, ALongTriggerWrapsInItsColumnAndALongExpansionStaysOnOneLine) {
    add(QStringLiteral("short"), QStringLiteral("short"));
    const QString longTrigger =
        QStringLiteral("the trigger phrase that is far too long for one narrow column");
    // Line breaks cannot be typed into a field; a stored list may hold them all the same.
    QString longExpansion;
    for (int i = 0; i < 40; ++i) {
        longExpansion += QStringLiteral("line %1\n").arg(i);
    }
    QList<Snippet> items = store().items();
    items.append(Snippet{QUuid::createUuid(), longTrigger, longExpansion, true});
    store().setItems(items);
    QCoreApplication::sendPostedEvents();

    const qreal line = QFontMetricsF(row(1)->font()).lineSpacing();
    EXPECT_EQ(row(1)->triggerRect().width(), SnippetRow::triggerWidth);
    EXPECT_GT(row(1)->triggerRect().height(), 2 * line); // three lines
    EXPECT_GT(row(1)->height(), row(0)->height());

    // Cut short on one line; the stored expansion keeps its line breaks.
    EXPECT_EQ(store().items()[1].expansion, longExpansion);
    EXPECT_TRUE(row(1)->shownExpansion().endsWith(QChar(0x2026)));
    EXPECT_TRUE(row(1)->shownExpansion().startsWith(QStringLiteral("line 0 line 1 ")));
    EXPECT_LE(row(1)->expansionRect().right(), row(1)->deleteButton()->geometry().left());
}

TEST_F(SnippetsPaneTest, ASnippetAddedHereExpandsTheNextDictation) {
    ControllerStage stage;
    stage.storedTextSteps = true;
    stage.start();
    add(QStringLiteral("hello world"), QStringLiteral("Kind regards, Ingrid"));

    // A draft survives the dictation and the store change it brings.
    QTest::keyClicks(field(0), QStringLiteral("half"));
    const auto dictate = [&stage] {
        stage.record->events.clear();
        stage.press(Action::pushToTalk);
        stage.speak(1.0);
        stage.release(1.0);
        stage.runJobs();
    };
    dictate();
    EXPECT_TRUE(stage.record->events.contains(
        QStringLiteral("insert:Kind regards, Ingrid->org.example.editor")))
        << stage.record->events.join(" | ").toStdString();

    QTest::mouseClick(row(0)->toggle(), Qt::LeftButton);
    dictate();
    EXPECT_TRUE(
        stage.record->events.contains(QStringLiteral("insert:hello world->org.example.editor")));
    EXPECT_EQ(field(0)->text(), QStringLiteral("half"));
    EXPECT_EQ(pane->draft().trigger(), QStringLiteral("half"));
}

TEST_F(SnippetsPaneTest, APastedTriggerFiresAndALongPastedExpansionIsKeptWhole) {
    ControllerStage stage;
    stage.storedTextSteps = true;
    stage.recogniser->fallback = {QStringLiteral("please trig ger now"), 0.9f};
    stage.start();
    // A paragraph of 40,000 characters, copied with its line breaks.
    QString paragraph;
    for (int i = 0; paragraph.size() < 40'000; ++i) {
        paragraph +=
            QStringLiteral("Line %1 of the boilerplate.\n").arg(i, 5, 10, QLatin1Char('0'));
    }
    paragraph.truncate(40'000);
    QString oneLine = paragraph;
    oneLine.replace(QLatin1Char('\n'), QLatin1Char(' '));

    test::pasteOver(field(0), QStringLiteral("trig\tger\n"));
    test::pasteOver(field(1), paragraph);
    EXPECT_EQ(field(1)->text().size(), 40'000);
    QTest::mouseClick(addButton(), Qt::LeftButton);
    ASSERT_EQ(store().items().size(), 1);
    EXPECT_EQ(store().items()[0].trigger, QStringLiteral("trig ger"));
    EXPECT_EQ(store().items()[0].expansion, oneLine);
    platform::DefaultsStore reread(platform::DefaultsStore::shared().path());
    EXPECT_EQ(Snippets(reread).items(), store().items());

    stage.press(Action::pushToTalk);
    stage.speak(1.0);
    stage.release(1.0);
    stage.runJobs();
    EXPECT_TRUE(stage.record->events.contains(QStringLiteral("insert:please ") + oneLine +
                                              QStringLiteral(" now->org.example.editor")))
        << stage.record->events.join(" | ").left(300).toStdString();
}

} // namespace
} // namespace tavik::panes
