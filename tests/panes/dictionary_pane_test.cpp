// The dictionary pane over the real vocabulary store and a real controller on the test stage:
// every change reaches the store in one assignment and the recogniser's prompt at once.
#include "app/panes/dictionary/dictionary_pane.h"
#include "app/shell/design/buttons.h"
#include "app/shell/design/field.h"
#include "app/shell/design/flow_row.h"
#include "app/shell/design/motion.h"
#include "app/shell/design/surfaces.h"
#include "app/stores/vocabulary.h"
#include "platform/defaults_store.h"
#include "tests/support/controller_harness.h"
#include "tests/support/paste.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace tavik::panes {
namespace {

// Empties a field as a person does, so the pane hears of it.
void erase(QLineEdit* field) {
    field->selectAll();
    QTest::keyClick(field, Qt::Key_Backspace);
}

// Tabs cannot be typed into a field (Tab moves the focus), but they come with a paste.
using test::pasteInto;

using dictation::Action;
using test::ControllerStage;

class DictionaryPaneTest : public ::testing::Test {
protected:
    void SetUp() override {
        design::Motion::setEnabled(false);
        Vocabulary::shared().setTerms({});
        stage.storedTextSteps = true;
        stage.start();
        pane = std::make_unique<DictionaryPane>(stage.controller());
        pane->resize(650, 900);
        pane->show();
        stage.takeLog();
    }

    static Vocabulary& vocabulary() { return Vocabulary::shared(); }

    QLineEdit* field() { return pane->findChild<design::TavikField*>()->lineEdit(); }
    QPushButton* addButton() {
        for (auto* b : pane->findChildren<QPushButton*>()) {
            if (b->text() == QStringLiteral("Add")) {
                return b;
            }
        }
        return nullptr;
    }
    QAbstractButton* named(const QString& name) {
        QCoreApplication::sendPostedEvents(); // rows added to a shown pane show on the next turn
        for (auto* b : pane->findChildren<QAbstractButton*>()) {
            if (b->accessibleName() == name && b->isVisible()) {
                return b;
            }
        }
        ADD_FAILURE() << "no visible button named " << name.toStdString();
        return nullptr;
    }
    QLabel* label(const QString& text) {
        for (auto* l : pane->findChildren<QLabel*>()) {
            if (l->text() == text) {
                return l;
            }
        }
        return nullptr;
    }
    int reloads() {
        int count = 0;
        for (const QString& line : stage.takeLog()) {
            count += line.startsWith(QStringLiteral("vocabulary: ")) ? 1 : 0;
        }
        return count;
    }
    design::Card* card() { return pane->termsCard(); }
    // Visible rows of the card, as laid out.
    int separators() {
        QCoreApplication::sendPostedEvents();
        return int(card()->separatorRects().size());
    }

    ControllerStage stage;
    std::unique_ptr<DictionaryPane> pane;
};

TEST_F(DictionaryPaneTest, AddTrimsRefusesTheSameTermAndReloadsOnce) {
    EXPECT_FALSE(addButton()->isEnabled());
    pasteInto(field(), QStringLiteral("  Acme\t "));
    EXPECT_TRUE(addButton()->isEnabled());
    QTest::mouseClick(addButton(), Qt::LeftButton);
    EXPECT_EQ(vocabulary().terms(), QStringList{QStringLiteral("Acme")});
    EXPECT_EQ(field()->text(), QString());
    EXPECT_FALSE(addButton()->isEnabled());
    EXPECT_EQ(reloads(), 1);
    EXPECT_EQ(stage.recogniser->prompt, QStringLiteral("Acme."));

    // Return adds too; the same term again is refused and stays in the field.
    QTest::keyClicks(field(), QStringLiteral("Acme"));
    QTest::keyClick(field(), Qt::Key_Return);
    EXPECT_EQ(vocabulary().terms(), QStringList{QStringLiteral("Acme")});
    EXPECT_EQ(field()->text(), QStringLiteral("Acme"));
    EXPECT_EQ(reloads(), 0);

    // Letter case makes another term; a decomposed spelling of a term does not.
    erase(field());
    QTest::keyClicks(field(), QStringLiteral("acme"));
    QTest::keyClick(field(), Qt::Key_Return);
    pasteInto(field(), QStringLiteral("Caf") + QChar(0x00E9));
    QTest::keyClick(field(), Qt::Key_Return);
    pasteInto(field(), QStringLiteral("Cafe") + QChar(0x0301));
    QTest::keyClick(field(), Qt::Key_Return);
    EXPECT_EQ(vocabulary().terms(), QStringList({QStringLiteral("Acme"), QStringLiteral("acme"),
                                                 QStringLiteral("Caf") + QChar(0x00E9)}));
    EXPECT_EQ(field()->text(), QStringLiteral("Cafe") + QChar(0x0301));
    EXPECT_EQ(reloads(), 2);

    // Tab goes from row to row in the order shown, the suggestions below the card after them.
    QWidget* removeAcme = named(QStringLiteral("Remove Acme"));
    removeAcme->setFocus();
    QTest::keyClick(removeAcme, Qt::Key_Tab);
    EXPECT_EQ(pane->window()->focusWidget(), named(QStringLiteral("Remove acme")));
    QTest::keyClick(pane->window()->focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(pane->window()->focusWidget(), named(QStringLiteral("Remove Caf") + QChar(0x00E9)));
    QTest::keyClick(pane->window()->focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(pane->window()->focusWidget()->accessibleName(), Vocabulary::suggestions().first());
    field()->setFocus();

    // Spaces and tabs alone: nothing to add, by button or Return.
    erase(field());
    pasteInto(field(), QStringLiteral(" \t "));
    EXPECT_FALSE(addButton()->isEnabled());
    QTest::keyClick(field(), Qt::Key_Return);
    EXPECT_EQ(vocabulary().terms().size(), 3);
    EXPECT_EQ(reloads(), 0);
}

TEST_F(DictionaryPaneTest, APastedLineEndingNeverBecomesPartOfATerm) {
    vocabulary().setTerms({QStringLiteral("Kubernetes")});
    // The same word copied with its line ending, from a document or a terminal.
    pasteInto(field(), QStringLiteral("Kubernetes\n"));
    QTest::keyClick(field(), Qt::Key_Return);
    EXPECT_EQ(vocabulary().terms(), QStringList{QStringLiteral("Kubernetes")});

    erase(field());
    pasteInto(field(), QStringLiteral("two\r\nlines\n"));
    QTest::mouseClick(addButton(), Qt::LeftButton);
    const QStringList expected{QStringLiteral("Kubernetes"), QStringLiteral("two lines")};
    EXPECT_EQ(vocabulary().terms(), expected);
    EXPECT_EQ(stage.recogniser->prompt, QStringLiteral("Kubernetes, two lines."));
    platform::DefaultsStore reread(platform::DefaultsStore::shared().path());
    EXPECT_EQ(Vocabulary(reread).terms(), expected);
}

TEST_F(DictionaryPaneTest, RemovingFromTheRowsOwnButtonDropsEveryCopyInOrder) {
    vocabulary().setTerms(
        {QStringLiteral("A"), QStringLiteral("B"), QStringLiteral("A"), QStringLiteral("C")});
    stage.takeLog();
    // n rows, n - 1 separators, also when an earlier term equals the last one.
    EXPECT_EQ(separators(), 3);

    QTest::mouseClick(named(QStringLiteral("Remove A")), Qt::LeftButton);
    EXPECT_EQ(vocabulary().terms(), QStringList({QStringLiteral("B"), QStringLiteral("C")}));
    EXPECT_EQ(reloads(), 1);
    EXPECT_EQ(separators(), 1);

    // From the keyboard: the focus moves on to the next row's button.
    QAbstractButton* removeB = named(QStringLiteral("Remove B"));
    removeB->setFocus();
    QTest::keyClick(removeB, Qt::Key_Space);
    EXPECT_EQ(vocabulary().terms(), QStringList{QStringLiteral("C")});
    EXPECT_EQ(reloads(), 1);
    EXPECT_EQ(separators(), 0);
    EXPECT_EQ(pane->window()->focusWidget(), named(QStringLiteral("Remove C")));

    QTest::mouseClick(named(QStringLiteral("Remove C")), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(vocabulary().terms().isEmpty());
    EXPECT_EQ(reloads(), 1);
    EXPECT_TRUE(label(QStringLiteral("Empty — nothing is being biased yet."))->isVisible());
    EXPECT_FALSE(card()->isVisible());
}

TEST_F(DictionaryPaneTest, SuggestionsAreOfferedInOrderAndAdoptedAsWritten) {
    const QStringList all = Vocabulary::suggestions();
    ASSERT_EQ(all.size(), 18);
    // Eleven already adopted (one of them in another spelling) leaves seven, in rows 3/3/1.
    QStringList terms = all.first(11);
    terms[0] = all[0].normalized(QString::NormalizationForm_D);
    vocabulary().setTerms(terms);
    design::FlowRow* flow = pane->suggestionRows();
    ASSERT_EQ(flow->rowCount(), 3);
    EXPECT_EQ(flow->rowItems(0).size(), 3u);
    EXPECT_EQ(flow->rowItems(1).size(), 3u);
    EXPECT_EQ(flow->rowItems(2).size(), 1u);
    EXPECT_EQ(flow->rowItems(1).front()->accessibleName(), all[14]);
    EXPECT_EQ(flow->rowItems(2).front()->accessibleName(), all[17]);

    // A half-typed term stays while a suggestion is adopted.
    QTest::keyClicks(field(), QStringLiteral("Half"));
    stage.takeLog();
    QTest::mouseClick(named(all[11]), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(vocabulary().terms().last(), all[11]);
    EXPECT_EQ(reloads(), 1);
    EXPECT_EQ(field()->text(), QStringLiteral("Half"));
    EXPECT_EQ(flow->rowItems(0).front()->accessibleName(), all[12]);

    // From the keyboard: the focus moves on to the suggestion now in its place.
    QAbstractButton* next = named(all[12]);
    next->setFocus();
    QTest::keyClick(next, Qt::Key_Space);
    EXPECT_EQ(vocabulary().terms().last(), all[12]);
    EXPECT_EQ(pane->window()->focusWidget(), named(all[13]));

    // Every suggestion adopted: heading, buttons and note are gone.
    vocabulary().setTerms(all);
    EXPECT_FALSE(label(QStringLiteral("SUGGESTIONS"))->isVisible());
    EXPECT_FALSE(flow->isVisible());
}

TEST_F(DictionaryPaneTest, TermsShowAsPlainTextAndTheDraftOutlivesStoreAndDictation) {
    QTest::keyClicks(field(), QStringLiteral("Half-typ"));
    vocabulary().setTerms({QStringLiteral("AT&T <b>bold</b>")});
    // A dictation runs to its end meanwhile.
    stage.press(Action::pushToTalk);
    stage.speak(1.0);
    stage.release(1.0);
    stage.runJobs();
    EXPECT_EQ(field()->text(), QStringLiteral("Half-typ"));
    EXPECT_EQ(pane->draft().newTerm(), QStringLiteral("Half-typ"));
    // Named as written for screen readers: no markup, no mnemonic.
    QAbstractButton* remove = named(QStringLiteral("Remove AT&T <b>bold</b>"));
    ASSERT_NE(remove, nullptr);
    EXPECT_EQ(remove->parentWidget()->accessibleName(), QStringLiteral("AT&T <b>bold</b>"));
}

TEST_F(DictionaryPaneTest, ATermAddedHereIsInTheNextRecognitionsPrompt) {
    QTest::keyClicks(field(), QStringLiteral("Quillmark"));
    QTest::keyClick(field(), Qt::Key_Return);
    stage.takeLog();
    stage.press(Action::pushToTalk);
    stage.speak(1.0);
    stage.release(1.0);
    stage.runJobs();
    EXPECT_EQ(stage.recogniser->prompt, QStringLiteral("Quillmark."));
    EXPECT_EQ(stage.recogniser->calls.size(), 1u);

    // The stored list is the one a restart reads.
    platform::DefaultsStore reread(platform::DefaultsStore::shared().path());
    EXPECT_EQ(Vocabulary(reread).terms(), QStringList{QStringLiteral("Quillmark")});
}

} // namespace
} // namespace tavik::panes
