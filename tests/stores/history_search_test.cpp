#include "app/stores/history.h"
#include "app/stores/history_file.h"
#include "app/stores/text_graphemes.h"
#include "tests/stores/history_support.h"

#include <gtest/gtest.h>

namespace tavik {
namespace {

class HistorySearch : public ::testing::Test {
protected:
    void SetUp() override {
        const QStringList texts = {
            "Meet me at the café at noon", // composed é
            "Le cafe\u0301 est fermé",     // decomposed é
            "plain cafe order",            //
            "first line\nsecond line",     //
            "HELLO from the Editor",       //
            "Die STRASSE ist lang",        //
            "tabs\tinside",                //
        };
        QList<HistoryEntry> list;
        for (const QString& text : texts) {
            list.append(test::makeEntry(text, test::makeEntry("").at, "Terminal"));
        }
        test::writeAll(path, history_file::encode(list));
        history = std::make_unique<History>(path);
        ASSERT_EQ(history->entries().size(), texts.size());
    }

    QStringList found(const QString& query) const {
        QStringList texts;
        for (const HistoryEntry& entry : history->search(query)) {
            texts.append(entry.text);
        }
        return texts;
    }

    QString path = test::historyPathFor("search");
    std::unique_ptr<History> history;
};

TEST_F(HistorySearch, BlankQueriesGiveEveryEntryInOrder) {
    for (const QString& blank :
         {QString(), QString("   "), QString("\t \t"), QString("\u00A0\u3000 ")}) {
        EXPECT_EQ(history->search(blank), history->entries());
    }
}

TEST_F(HistorySearch, ALineBreakIsAQueryOfItsOwn) {
    EXPECT_EQ(found("\n"), QStringList{"first line\nsecond line"});
    EXPECT_EQ(found("  line\nsecond\t"), QStringList{"first line\nsecond line"});
}

TEST_F(HistorySearch, CaseIsIgnoredWithFullFolding) {
    EXPECT_EQ(found("hello"), QStringList{"HELLO from the Editor"});
    EXPECT_EQ(found("From THE editor"), QStringList{"HELLO from the Editor"});
    EXPECT_EQ(found("straße"), QStringList{"Die STRASSE ist lang"});
}

TEST_F(HistorySearch, DiacriticsCountInEitherNormalForm) {
    EXPECT_EQ(found("cafe"), QStringList{"plain cafe order"});
    const QStringList accented = {"Meet me at the café at noon", "Le cafe\u0301 est fermé"};
    EXPECT_EQ(found("café"), accented);
    EXPECT_EQ(found("CAFE\u0301"), accented);
    EXPECT_EQ(found("FERMÉ"), QStringList{"Le cafe\u0301 est fermé"});
}

TEST_F(HistorySearch, OnlyTheTextIsSearched) {
    EXPECT_TRUE(found("Terminal").isEmpty());
    EXPECT_TRUE(found("paste").isEmpty());
    EXPECT_EQ(found("tabs\tinside"), QStringList{"tabs\tinside"});
}

TEST_F(HistorySearch, AnEntryWhoseTextChangedIsSearchedAsItNowReads) {
    EXPECT_EQ(found("noon"), QStringList{"Meet me at the café at noon"});
    // The same id with another text (a history file edited by hand repeats ids).
    HistoryEntry changed = history->entries().last();
    changed.text = QString::fromUtf8("Встреча в полдень, noon");
    const HistoryEntry before = history->entries().first();
    history->remove(before);
    changed.id = before.id;
    history->add(changed);
    EXPECT_EQ(found("noon"), QStringList({changed.text}));
    EXPECT_EQ(found("ПОЛДЕНЬ"), QStringList({changed.text}));
    EXPECT_TRUE(found("café at").isEmpty());
}

TEST(CaseInsensitiveFinder, MatchesEndOnCharacterBoundaries) {
    const text::CaseInsensitiveFinder e("e", false);
    EXPECT_FALSE(e.foundIn(u"cafe\u0301"));
    EXPECT_TRUE(e.foundIn(u"cafe\u0301 e"));
    const text::CaseInsensitiveFinder lineFeed("\n", false);
    EXPECT_TRUE(lineFeed.foundIn(u"one\ntwo"));
    EXPECT_FALSE(lineFeed.foundIn(u"one\r\ntwo")) << "CR LF is one character";
    const text::CaseInsensitiveFinder family("👩", false);
    EXPECT_FALSE(family.foundIn(u"👩‍👩‍👧")) << "part of a family emoji";
    EXPECT_TRUE(family.foundIn(u"👩 alone"));
}

TEST(CaseInsensitiveFinder, TurkicLocalesFoldDottedAndDotlessI) {
    const text::CaseInsensitiveFinder turkic("DİYARBAKIR", true);
    EXPECT_TRUE(turkic.foundIn(u"diyarbakır"));
    EXPECT_FALSE(turkic.foundIn(u"diyarbakir"));
    const text::CaseInsensitiveFinder root("DIYARBAKIR", false);
    EXPECT_TRUE(root.foundIn(u"diyarbakir"));
    EXPECT_FALSE(root.foundIn(u"diyarbakır"));
}

} // namespace
} // namespace tavik
