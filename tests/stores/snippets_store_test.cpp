#include "app/stores/snippets.h"
#include "platform/defaults_store.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace tavik {
namespace {

class SnippetsStore : public ::testing::Test {
protected:
    QString defaultsPath = qEnvironmentVariable("XDG_CONFIG_HOME") + "/Tavik-" +
                           ::testing::UnitTest::GetInstance()->current_test_info()->name() +
                           "/defaults.json";
    platform::DefaultsStore defaults{defaultsPath};
};

TEST_F(SnippetsStore, TheListIsWrittenThroughAsCompactJsonData) {
    const Snippet first{QUuid::createUuid(), "brb", "be right back", true};
    const Snippet second{QUuid::createUuid(), "addr", "1 Long Road\nSpringfield", false};
    {
        Snippets snippets(defaults);
        EXPECT_TRUE(snippets.items().isEmpty());
        QSignalSpy changes(&snippets, &Snippets::itemsChanged);
        snippets.setItems({first, second});
        EXPECT_EQ(changes.count(), 1);
    }
    const std::optional<QByteArray> stored = defaults.data("snippets");
    ASSERT_TRUE(stored.has_value());
    EXPECT_FALSE(stored->contains('\n')) << "compact JSON";
    const QJsonArray array = QJsonDocument::fromJson(*stored).array();
    ASSERT_EQ(array.size(), 2);
    const QJsonObject object = array.at(0).toObject();
    EXPECT_EQ(object.value("id").toString(), first.id.toString(QUuid::WithoutBraces).toUpper());
    EXPECT_EQ(object.value("trigger").toString(), "brb");
    EXPECT_EQ(object.value("expansion").toString(), "be right back");
    EXPECT_EQ(object.value("enabled").toBool(), true);

    platform::DefaultsStore reopened(defaultsPath);
    EXPECT_EQ(Snippets(reopened).items(), (QList<Snippet>{first, second}));
}

TEST_F(SnippetsStore, AnAbsentKeyGivesAnEmptyListAndWritesNothing) {
    Snippets snippets(defaults);
    EXPECT_TRUE(snippets.items().isEmpty());
    EXPECT_EQ(snippets.apply("brb"), "brb");
    EXPECT_FALSE(defaults.contains("snippets"));
    snippets.setItems({});
    EXPECT_EQ(defaults.data("snippets"), QByteArray("[]"));
}

TEST_F(SnippetsStore, ReadingAcceptsAnyCaseOrderAndExtraMembers) {
    const QUuid id = QUuid::createUuid();
    const QByteArray json = "[{\"enabled\":false,\"extra\":1,\"expansion\":\"e\",\"trigger\":\"t\","
                            "\"id\":\"" +
                            id.toString(QUuid::WithoutBraces).toLower().toUtf8() + "\"}]";
    defaults.setData("snippets", json);
    EXPECT_EQ(Snippets(defaults).items(), (QList<Snippet>{Snippet{id, "t", "e", false}}));
}

TEST_F(SnippetsStore, OneBadElementEmptiesTheListButTheStoredValueIsKept) {
    const QString good = "{\"id\":\"" + QUuid::createUuid().toString(QUuid::WithoutBraces) +
                         "\",\"trigger\":\"a\",\"expansion\":\"b\",\"enabled\":true}";
    const QList<QByteArray> bad = {
        ("[" + good + ",{\"id\":\"" + QUuid::createUuid().toString(QUuid::WithoutBraces) +
         "\",\"trigger\":\"x\",\"expansion\":\"y\"}]")
            .toUtf8(), // lacks "enabled"
        ("[" + good + ",{\"id\":\"nope\",\"trigger\":\"x\",\"expansion\":\"y\",\"enabled\":true}]")
            .toUtf8(),
        ("[" + good + ",{\"id\":\"" + QUuid::createUuid().toString() +
         "\",\"trigger\":\"x\",\"expansion\":\"y\",\"enabled\":true}]")
            .toUtf8(), // braces around the id
        ("[" + good + ",{\"id\":\"" + QUuid::createUuid().toString(QUuid::WithoutBraces) +
         "\",\"trigger\":\"x\",\"expansion\":\"y\",\"enabled\":1}]")
            .toUtf8(),
        "{\"not\":\"a list\"}",
        "[",
    };
    for (const QByteArray& bytes : bad) {
        defaults.setData("snippets", bytes);
        defaults.remove("snippets.unreadable");
        Snippets snippets(defaults);
        EXPECT_TRUE(snippets.items().isEmpty()) << bytes.data();
        EXPECT_EQ(defaults.data("snippets"), bytes) << "loading leaves the value alone";
        EXPECT_FALSE(defaults.contains("snippets.unreadable"));
        snippets.setItems({Snippet{QUuid::createUuid(), "new", "one", true}});
        EXPECT_EQ(defaults.data("snippets.unreadable"), bytes);
        EXPECT_EQ(snippet_codec::decode(*defaults.data("snippets"))->size(), 1);
    }
}

TEST_F(SnippetsStore, AValueThatIsNotDataIsKeptToo) {
    defaults.setString("snippets", "brb=be right back");
    Snippets snippets(defaults);
    EXPECT_TRUE(snippets.items().isEmpty());
    snippets.setItems({});
    EXPECT_EQ(defaults.string("snippets.unreadable"), "brb=be right back");
}

} // namespace
} // namespace tavik
