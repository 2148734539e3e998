// The transforms pane over the real transform store, as on a fresh install and after edits.
#include "app/panes/transforms/ai_transform_row.h"
#include "app/panes/transforms/transforms_pane.h"
#include "app/shell/design/field.h"
#include "app/shell/design/glyph_button.h"
#include "app/shell/design/motion.h"
#include "app/shell/design/surfaces.h"
#include "platform/defaults_store.h"
#include "tests/support/paste.h"

#include <QFontMetricsF>
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

using Transform = Transforms::Transform;

class TransformsPaneTest : public ::testing::Test {
protected:
    void SetUp() override {
        design::Motion::setEnabled(false);
        // As a fresh install has it: the three built-in transforms of local kinds.
        store().setItems(Transforms::defaultItems());
        pane = std::make_unique<TransformsPane>();
        pane->resize(650, 900);
        pane->show();
    }

    static Transforms& store() { return Transforms::shared(); }

    QLineEdit* field(int index) {
        return pane->findChildren<design::TavikField*>().at(index)->lineEdit();
    }
    QPushButton* addButton() { return pane->findChild<QPushButton*>(); }
    void add(const QString& name, const QString& instruction) {
        erase(field(0));
        erase(field(1));
        QTest::keyClicks(field(0), name);
        QTest::keyClicks(field(1), instruction);
        QTest::mouseClick(addButton(), Qt::LeftButton);
    }
    QStringList texts(QWidget* root) {
        QStringList shown;
        for (auto* l : root->findChildren<QLabel*>()) {
            if (l->isVisible()) {
                shown << l->text();
            }
        }
        return shown;
    }
    AiTransformRow* row(int index) { return pane->aiRows().at(std::size_t(index)); }
    QList<Transform> localItems() {
        QList<Transform> local;
        for (const Transform& t : store().items()) {
            if (t.kind != TransformKind::ai) {
                local << t;
            }
        }
        return local;
    }

    std::unique_ptr<TransformsPane> pane;
};

TEST_F(TransformsPaneTest, AFreshInstallShowsTheSixLocalKindsAndNoAiCard) {
    QCoreApplication::sendPostedEvents();
    design::Card* local = pane->localCard();
    EXPECT_EQ(local->rows().size(), 6);
    EXPECT_EQ(local->separatorRects().size(), 5); // none under "lowercase"
    QStringList labels;
    for (QWidget* localRow : local->rows()) {
        labels << localRow->findChildren<QLabel*>().at(0)->text();
        EXPECT_EQ(localRow->findChildren<QLabel*>().at(1)->text(), QStringLiteral("instant"));
    }
    EXPECT_EQ(labels, QStringList({"Bullet list", "Remove filler words", "Sentence case",
                                   "Title Case", "UPPERCASE", "lowercase"}));

    const QStringList shown = texts(pane.get());
    EXPECT_TRUE(shown.contains(QStringLiteral("ON THIS MACHINE")));
    EXPECT_TRUE(shown.contains(QStringLiteral("USING CLAUDE")));
    EXPECT_TRUE(shown.contains(QStringLiteral("leaves this machine")));
    EXPECT_FALSE(addButton()->isEnabled());
    EXPECT_FALSE(pane->aiCard()->isVisible());
    EXPECT_TRUE(pane->aiRows().empty());
}

TEST_F(TransformsPaneTest, AddTakesNameAndInstructionAsTypedAndLeavesLocalKindsAlone) {
    const QList<Transform> local = localItems();
    QTest::keyClicks(field(0), QStringLiteral("Polite"));
    EXPECT_FALSE(addButton()->isEnabled());
    erase(field(0));
    QTest::keyClicks(field(1), QStringLiteral("make this polite"));
    EXPECT_FALSE(addButton()->isEnabled());
    QTest::keyClicks(field(0), QStringLiteral(" "));
    EXPECT_TRUE(addButton()->isEnabled());
    // Return adds nothing, in either field.
    QTest::keyClick(field(0), Qt::Key_Return);
    QTest::keyClick(field(1), Qt::Key_Return);
    EXPECT_EQ(store().items().size(), 3);

    QTest::mouseClick(addButton(), Qt::LeftButton);
    ASSERT_EQ(store().items().size(), 4);
    const Transform added = store().items().last();
    EXPECT_EQ(added.name, QStringLiteral(" "));
    EXPECT_EQ(added.kind, TransformKind::ai);
    EXPECT_EQ(added.instruction, QStringLiteral("make this polite"));
    EXPECT_EQ(field(0)->text(), QString());
    EXPECT_EQ(field(1)->text(), QString());
    EXPECT_FALSE(addButton()->isEnabled());
    EXPECT_TRUE(pane->aiCard()->isVisible());

    add(QStringLiteral("Shorter"), QStringLiteral("halve the length"));
    ASSERT_EQ(pane->aiRows().size(), 2u);
    EXPECT_EQ(row(1)->id(), store().items().last().id);
    EXPECT_TRUE(pane->aiCard()->separatorRects().isEmpty());
    EXPECT_EQ(localItems(), local);

    // Pasted with its tabs and line breaks, each field still holds one line.
    test::pasteOver(field(0), QStringLiteral("Polite\tmail\n"));
    test::pasteOver(field(1), QStringLiteral("make this\r\npolite"));
    QTest::mouseClick(addButton(), Qt::LeftButton);
    EXPECT_EQ(store().items().last().name, QStringLiteral("Polite mail "));
    EXPECT_EQ(store().items().last().instruction, QStringLiteral("make this polite"));

    // What a restart reads.
    platform::DefaultsStore reread(platform::DefaultsStore::shared().path());
    EXPECT_EQ(Transforms(reread).items(), store().items());
}

TEST_F(TransformsPaneTest, DeletingTheLastAiTransformHidesTheCardAndKeepsTheLocalOnes) {
    const QList<Transform> local = localItems();
    add(QStringLiteral("Polite"), QStringLiteral("make this polite"));
    AiTransformRow* first = row(0);
    add(QStringLiteral("Shorter"), QStringLiteral("halve the length"));
    EXPECT_EQ(row(0), first);

    QTest::mouseClick(row(1)->deleteButton(), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_EQ(pane->aiRows().size(), 1u);
    QTest::mouseClick(row(0)->deleteButton(), Qt::LeftButton);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    EXPECT_TRUE(pane->aiRows().empty());
    EXPECT_FALSE(pane->aiCard()->isVisible());
    EXPECT_EQ(store().items(), local);
}

TEST_F(TransformsPaneTest, ALongNameWrapsAndALongInstructionIsCutShort) {
    const QString name = QStringLiteral("A name long enough to need more than one line here, "
                                        "because nobody limits it at all");
    const QString instruction = QStringLiteral("Rewrite this as a formal letter to the council, "
                                               "with a greeting,\na closing line and no slang "
                                               "whatsoever, keeping every fact that was said");
    // Line breaks cannot be typed into a field; a stored list may hold them all the same.
    QList<Transform> items = store().items();
    items.append(Transform(name, TransformKind::ai, instruction));
    store().setItems(items);
    pane->resize(600, 900);
    QCoreApplication::sendPostedEvents();
    const qreal line = QFontMetricsF(row(0)->font()).lineSpacing();
    EXPECT_GE(row(0)->nameRect().height(), 2 * line);
    EXPECT_GE(row(0)->nameRect().width(), (row(0)->instructionRect().right() - 14) / 2 - 8);
    EXPECT_TRUE(row(0)->shownInstruction().endsWith(QChar(0x2026)));
    EXPECT_FALSE(row(0)->shownInstruction().contains(QLatin1Char('\n')));
    EXPECT_LE(row(0)->instructionRect().right(), row(0)->deleteButton()->geometry().left());
}

} // namespace
} // namespace tavik::panes
