// The tray menu as a person reads it: lines for each dictation state, the recent dictations,
// and data texts that show exactly as written.
#include "app/shell/status_menu.h"
#include "app/stores/text_graphemes.h"
#include "tools/history-seed/history_seed.h"

#include <QAction>
#include <QMenu>
#include <QSet>

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace tavik {
namespace {

using dictation::State;
using status_menu::Action;
using status_menu::Item;

HistoryEntry entry(const QString& text, double latencyMs = 412.7) {
    HistoryEntry e;
    e.id = QUuid::createUuid();
    e.text = text;
    e.app = "Editor";
    e.via = "paste";
    e.latencyMs = latencyMs;
    return e;
}

QStringList titles(const QList<Item>& items) {
    QStringList out;
    for (const Item& item : items) {
        out << (item.separator ? QStringLiteral("---") : item.title);
    }
    return out;
}

const QStringList windowItems = {"Open Tavik", "Insights", "Dictionary", "Settings…", "Quit Tavik"};

TEST(StatusMenuModel, EmptyHistoryGivesStatusNothingDictatedAndTheFiveCommands) {
    const QList<HistoryEntry> none;
    const auto items = status_menu::items({State::idle(), "Right Alt", std::nullopt, none});
    EXPECT_EQ(titles(items),
              QStringList({"Ready — Right Alt to speak", "---", "Nothing dictated yet", "---"}) +
                  windowItems);
    EXPECT_FALSE(items[0].enabled);
    EXPECT_FALSE(items[2].enabled);
    for (int i = 4; i < items.size(); ++i) {
        EXPECT_TRUE(items[i].enabled) << items[i].title.toStdString();
    }
    EXPECT_EQ(items[4].action, Action::openMain);
    EXPECT_EQ(items[5].action, Action::openInsights);
    EXPECT_EQ(items[6].action, Action::openDictionary);
    EXPECT_EQ(items[7].action, Action::openSettings);
    EXPECT_EQ(items[8].action, Action::quit);
    EXPECT_EQ(items[4].shortcut, QKeySequence(Qt::CTRL | Qt::Key_O));
    EXPECT_TRUE(items[5].shortcut.isEmpty());
    EXPECT_EQ(items[7].shortcut, QKeySequence(Qt::CTRL | Qt::Key_Comma));
    EXPECT_EQ(items[8].shortcut, QKeySequence(Qt::CTRL | Qt::Key_Q));

    const auto withError = status_menu::items(
        {State::idle(), "Right Alt", QString("Could not load /m/ggml-base.en.bin"), none});
    EXPECT_EQ(
        titles(withError).mid(0, 3),
        QStringList({"Ready — Right Alt to speak", "Could not load /m/ggml-base.en.bin", "---"}));
    EXPECT_FALSE(withError[1].enabled);
}

TEST(StatusMenuModel, StatusLineForEveryState) {
    EXPECT_EQ(status_menu::statusLine(State::loading(), "F13"), "Loading model…");
    EXPECT_EQ(status_menu::statusLine(State::idle(), "F13"), "Ready — F13 to speak");
    EXPECT_EQ(status_menu::statusLine(State::recording(), "F13"), "Listening…");
    EXPECT_EQ(status_menu::statusLine(State::transcribing(), "F13"), "Transcribing…");
    EXPECT_EQ(status_menu::statusLine(State::failed("Microphone unavailable"), "F13"),
              "Microphone unavailable");
}

TEST(StatusMenuModel, TwelveDictationsShowTheNewestEightAsCopyItems) {
    QList<HistoryEntry> entries;
    for (int i = 12; i >= 1; --i) {
        entries << entry(QStringLiteral("dictation %1").arg(i));
    }
    const auto items = status_menu::items({State::recording(), "F13", std::nullopt, entries});
    ASSERT_EQ(items.size(), 1 + 1 + 1 + 8 + 1 + 5);
    EXPECT_EQ(items[2].title, "Recent");
    EXPECT_FALSE(items[2].enabled);
    for (int i = 0; i < 8; ++i) {
        const Item& item = items[3 + i];
        EXPECT_EQ(item.title, QStringLiteral("dictation %1").arg(12 - i));
        EXPECT_EQ(item.copyText, item.title);
        EXPECT_TRUE(item.enabled);
        EXPECT_EQ(item.action, Action::copyEntry);
        EXPECT_EQ(item.toolTip, "Editor · via paste · 412ms — click to copy");
    }
    EXPECT_TRUE(items[11].separator);
}

TEST(StatusMenuModel, TitlesAreCutAtFiftyTwoCharactersAsAReaderCountsThem) {
    const QString fiftyTwo(52, QChar('a'));
    EXPECT_EQ(status_menu::entryTitle(fiftyTwo), fiftyTwo);
    EXPECT_EQ(status_menu::entryTitle(fiftyTwo + "b"), fiftyTwo + "…");
    EXPECT_EQ(status_menu::entryTitle(""), "");

    // A family (four people joined by zero-width joiners) and a flag are one character each.
    const QString family = QString::fromUtf8("👨‍👩‍👧‍👦");
    const QString flag = QString::fromUtf8("🇳🇴");
    QString text;
    for (int i = 0; i < 26; ++i) {
        text += family + flag;
    }
    EXPECT_EQ(status_menu::entryTitle(text), text); // 52 characters, many more code units
    const QString longer = text + family;
    EXPECT_EQ(status_menu::entryTitle(longer), text + "…");
    // A line break inside the text stays in the title, and the copy keeps everything.
    const QString twoLines = "first line\nsecond line";
    EXPECT_EQ(status_menu::entryTitle(twoLines), twoLines);
}

TEST(StatusMenuModel, LongAndMixedScriptDictationsAreCutWhereTheirWholeTextSaysACharacterEnds) {
    // What a reader counts in the whole text: the cut must agree with it wherever the 52nd
    // character ends, however long the rest.
    const auto cutOfWhole = [](const QString& text) {
        const std::vector<qsizetype> bounds = text::graphemeBoundaries(text);
        return qsizetype(bounds.size()) - 1 <= status_menu::titleCharacters
                   ? text
                   : text.left(bounds[status_menu::titleCharacters]) + QStringLiteral("…");
    };
    const QStringList tails = {
        QString::fromUtf8("e\xCC\x81\xCC\xA3"),                 // a letter with two combining marks
        QString::fromUtf8("👩‍👩‍👧 🏳️‍🌈"), // ZWJ sequences
        QString::fromUtf8("क्षि"),  // a Devanagari conjunct with its vowel sign
        QString::fromUtf8("각각"), // Hangul jamo L V T, twice
        QString::fromUtf8("🇩🇪🇳🇴"), // two flags
        "\r\n",
        QString::fromUtf8("مَرْحَبًا"), // Arabic with its marks
    };
    const QString rest = seed::longText(seed::mixedScriptWords(), 20'000, 7);
    int cut = 0;
    for (const QString& tail : tails) {
        for (int lead = 44; lead <= 53; ++lead) {
            // The tail's clusters fall on every side of the 52nd.
            const QString text = QString(lead, QChar('a')) + tail + rest;
            const QString title = status_menu::entryTitle(text);
            ASSERT_EQ(title, cutOfWhole(text)) << lead << " " << tail.toStdString();
            cut += title.endsWith(QStringLiteral("…"));
        }
        // Short texts that end inside or just after such a cluster are shown whole.
        const QString shortText = QString(51, QChar('a')) + tail;
        EXPECT_EQ(status_menu::entryTitle(shortText), cutOfWhole(shortText));
    }
    EXPECT_EQ(cut, tails.size() * 10);
}

TEST(StatusMenuModel, LatencyIsTruncatedToWholeMillisecondsAndBadNumbersReadZero) {
    EXPECT_EQ(status_menu::wholeMilliseconds(999.9), "999");
    EXPECT_EQ(status_menu::wholeMilliseconds(412.7), "412");
    EXPECT_EQ(status_menu::wholeMilliseconds(-3.9), "-3");
    EXPECT_EQ(status_menu::wholeMilliseconds(std::nan("")), "0");
    EXPECT_EQ(status_menu::wholeMilliseconds(std::numeric_limits<double>::infinity()), "0");
    EXPECT_EQ(status_menu::wholeMilliseconds(1e300), "9200000000000000000");
    EXPECT_EQ(status_menu::wholeMilliseconds(1234567.0), "1234567") << "no grouping";
    EXPECT_EQ(status_menu::entryToolTip(entry("x", std::nan(""))),
              "Editor · via paste · 0ms — click to copy");
}

TEST(StatusMenuFill, DataTextsShowAsWrittenAndItemsCarryTheirActions) {
    QList<HistoryEntry> entries{entry("R&D\tnotes & more"), entry("plain")};
    entries[0].app = "<b>Bold</b> & Co";
    const auto items = status_menu::items(
        {State::failed("Mic & cable gone"), "Right Alt", QString("A&B"), entries});
    QMenu menu;
    QList<std::pair<Action, QString>> chosen;
    status_menu::fill(menu, items, [&](Action action, const QAction& item) {
        chosen.push_back({action, item.data().toString()});
    });
    const QList<QAction*> actions = menu.actions();
    ASSERT_EQ(actions.size(), items.size());
    EXPECT_EQ(actions[0]->text(), "Mic && cable gone");
    EXPECT_EQ(actions[1]->text(), "A&&B");
    EXPECT_TRUE(actions[2]->isSeparator());
    EXPECT_EQ(actions[4]->text(), "R&&D notes && more") << "a tab would open the shortcut column";
    EXPECT_EQ(actions[4]->data().toString(), "R&D\tnotes & more");
    // Markup in an application's name is shown, not obeyed.
    EXPECT_NE(actions[4]->toolTip(), items[4].toolTip);
    EXPECT_TRUE(actions[4]->toolTip().contains("&lt;b&gt;Bold&lt;/b&gt; &amp; Co"));
    EXPECT_EQ(actions[5]->toolTip(), "Editor · via paste · 412ms — click to copy");
    EXPECT_TRUE(menu.toolTipsVisible());
    EXPECT_FALSE(actions[0]->isEnabled());
    EXPECT_EQ(actions.last()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Q));

    actions[4]->trigger();
    actions[0]->trigger();                  // disabled: nothing happens
    actions[actions.size() - 4]->trigger(); // "Insights"
    ASSERT_EQ(chosen.size(), 2);
    EXPECT_EQ(chosen[0].first, Action::copyEntry);
    EXPECT_EQ(chosen[0].second, "R&D\tnotes & more");
    EXPECT_EQ(chosen[1].first, Action::openInsights);

    // Filling again replaces everything the menu held.
    status_menu::fill(menu, status_menu::items({State::idle(), "F5", std::nullopt, {}}), {});
    EXPECT_EQ(menu.actions().size(), 9);
}

TEST(StatusMenuFill, LinesKeepTheirItemsAcrossRebuildsAndALineThatLeftAnswersOnceMore) {
    QList<HistoryEntry> entries{entry("second"), entry("first")};
    QMenu menu;
    QList<std::pair<Action, QString>> chosen;
    const auto onChosen = [&](Action action, const QAction& item) {
        chosen.push_back({action, item.data().toString()});
    };
    const auto rebuild = [&](const State& state) {
        status_menu::fill(menu, status_menu::items({state, "F5", std::nullopt, entries}), onChosen);
    };
    rebuild(State::idle());
    const QList<QAction*> before = menu.actions();
    const QString firstKey = "entry:" + entries[1].id.toString(QUuid::WithoutBraces);
    QAction* first = status_menu::itemFor(menu, firstKey);
    ASSERT_NE(first, nullptr);

    // A new state changes one title in place; every item stays the same object.
    rebuild(State::recording());
    EXPECT_EQ(menu.actions(), before);
    EXPECT_EQ(menu.actions()[0]->text(), "Listening…");

    // A ninth dictation pushes the oldest out: the others keep their items, and the item of
    // the line that left, still on its way from a menu drawn a moment ago, copies its entry.
    for (int i = 0; i < 7; ++i) {
        entries.prepend(entry(QStringLiteral("newer %1").arg(i)));
    }
    rebuild(State::idle());
    EXPECT_FALSE(menu.actions().contains(first));
    EXPECT_EQ(status_menu::itemFor(menu, firstKey), first);
    EXPECT_EQ(menu.actions().last(), before.last()) << "Quit Tavik keeps its item";
    first->trigger();
    ASSERT_EQ(chosen.size(), 1);
    EXPECT_EQ(chosen[0], std::make_pair(Action::copyEntry, QString("first")));

    // One more change and it is gone.
    entries.prepend(entry("newest"));
    rebuild(State::idle());
    EXPECT_EQ(status_menu::itemFor(menu, firstKey), nullptr);

    // Every line has a key of its own, even when a hand-edited history repeats an id.
    entries[1].id = entries[0].id;
    const auto lines = status_menu::items({State::idle(), "F5", QString("x"), entries});
    QSet<QString> keys;
    for (const Item& line : lines) {
        EXPECT_FALSE(line.key.isEmpty());
        keys.insert(line.key);
    }
    EXPECT_EQ(keys.size(), lines.size());
}

} // namespace
} // namespace tavik
