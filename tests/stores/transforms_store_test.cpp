// The transforms list in a real defaults.json under the test's private HOME.
#include "app/stores/transforms.h"

#include "platform/defaults_store.h"
#include "tests/support/transforms_printers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>

#include <gtest/gtest.h>

namespace tavik {
namespace {

using Kind = Transforms::Kind;

class TransformsStoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        path = QDir::home().filePath(QStringLiteral(".config/Tavik-%1/defaults.json")
                                         .arg(QString::fromLatin1(info->name())));
    }

    QString path;
};

QByteArray storedList(const QString& element) {
    return QStringLiteral("[%1]").arg(element).toUtf8();
}

TEST_F(TransformsStoreTest, StartsFromTheDefaultsWithoutWritingThem) {
    platform::DefaultsStore defaults(path);
    Transforms first(defaults);
    ASSERT_EQ(first.items().size(), 3);
    EXPECT_EQ(first.items()[0].name, "Bullet list");
    EXPECT_EQ(first.items()[0].kind, Kind::bulletList);
    EXPECT_EQ(first.items()[1].name, "Remove filler words");
    EXPECT_EQ(first.items()[1].kind, Kind::removeFillers);
    EXPECT_EQ(first.items()[2].name, "Sentence case");
    EXPECT_EQ(first.items()[2].kind, Kind::sentenceCase);
    for (const auto& item : first.items()) {
        EXPECT_TRUE(item.instruction.isEmpty());
        EXPECT_FALSE(item.id.isNull());
    }
    EXPECT_NE(first.items()[0].id, first.items()[1].id);
    EXPECT_FALSE(defaults.contains(Transforms::defaultsKey));
    EXPECT_FALSE(QFile::exists(path));

    // Not stored, so the next start makes them again with new ids.
    Transforms second(defaults);
    ASSERT_EQ(second.items().size(), 3);
    EXPECT_NE(second.items()[0].id, first.items()[0].id);
}

TEST_F(TransformsStoreTest, ChangesAreAnnouncedThenSavedAndReadBack) {
    platform::DefaultsStore defaults(path);
    Transforms store(defaults);
    QSignalSpy before(&store, &Transforms::itemsAboutToChange);
    QSignalSpy after(&store, &Transforms::itemsChanged);

    const Transforms::Transform formal(QStringLiteral("Formal"), Kind::ai,
                                       QString::fromUtf8("Make it formal — \"polite\"\n"));
    store.modifyItems([&](QList<Transforms::Transform>& items) {
        items.removeAt(1);
        items.append(formal);
    });
    EXPECT_EQ(before.count(), 1);
    ASSERT_EQ(after.count(), 1);
    EXPECT_EQ(after.takeFirst().at(0).value<QList<Transforms::Transform>>().size(), 3);

    const std::optional<QByteArray> stored = defaults.data(Transforms::defaultsKey);
    ASSERT_TRUE(stored.has_value());
    EXPECT_FALSE(stored->contains('\n'));
    const QJsonArray array = QJsonDocument::fromJson(*stored).array();
    ASSERT_EQ(array.size(), 3);
    const QJsonObject last = array.at(2).toObject();
    EXPECT_EQ(last.value("id").toString(), formal.id.toString(QUuid::WithoutBraces).toUpper());
    EXPECT_EQ(last.value("name").toString(), "Formal");
    EXPECT_EQ(last.value("kind").toString(), "ai");
    EXPECT_EQ(last.value("instruction").toString(), formal.instruction);

    // A fresh store (another run of the program) reads the same list from the file.
    platform::DefaultsStore reopened(path);
    Transforms again(reopened);
    EXPECT_EQ(again.items(), store.items());

    store.setItems({});
    EXPECT_EQ(before.count(), 2);
    platform::DefaultsStore emptied(path);
    EXPECT_TRUE(Transforms(emptied).items().isEmpty()); // an empty list stays empty
}

TEST_F(TransformsStoreTest, DecodingIsStrictAboutEveryElement) {
    const QString id = QStringLiteral("\"id\":\"6f1c2a9e-1b2c-4d5e-8f90-a1b2c3d4e5f6\"");
    const QString rest =
        QStringLiteral("\"name\":\"N\",\"kind\":\"titleCase\",\"instruction\":\"\"");
    // Accepted: lower-case hexadecimal, members in any order, unknown members ignored.
    auto decoded = Transforms::decode(storedList("{" + rest + "," + id + ",\"extra\":[1]}"));
    ASSERT_TRUE(decoded.has_value());
    ASSERT_EQ(decoded->size(), 1);
    EXPECT_EQ(decoded->front().id, QUuid::fromString(u"6F1C2A9E-1B2C-4D5E-8F90-A1B2C3D4E5F6"));
    EXPECT_EQ(decoded->front().kind, Kind::titleCase);

    const QStringList refused = {
        "{" + rest + "}",                                                      // no id
        "{" + id + ",\"name\":\"N\",\"kind\":\"titleCase\"}",                  // no instruction
        "{" + id + ",\"name\":\"N\",\"kind\":\"shout\",\"instruction\":\"\"}", // unknown kind
        "{" + id + ",\"name\":\"N\",\"kind\":\"TitleCase\",\"instruction\":\"\"}",
        "{" + id + ",\"name\":7,\"kind\":\"ai\",\"instruction\":\"\"}",
        "{\"id\":\"{6f1c2a9e-1b2c-4d5e-8f90-a1b2c3d4e5f6}\"," + rest + "}", // braces
        "{\"id\":\"not-a-uuid\"," + rest + "}",
        "\"just text\"",
    };
    for (const QString& element : refused) {
        EXPECT_FALSE(Transforms::decode(storedList(element)).has_value()) << element.toStdString();
    }
    EXPECT_FALSE(Transforms::decode("{\"id\":1}").has_value());
    EXPECT_FALSE(Transforms::decode("not json").has_value());
    EXPECT_TRUE(Transforms::decode("[]").value().isEmpty());
}

TEST_F(TransformsStoreTest, AnUnreadableListIsKeptAsideBeforeTheFirstSave) {
    const QByteArray newerVersion =
        storedList("{\"id\":\"6F1C2A9E-1B2C-4D5E-8F90-A1B2C3D4E5F6\",\"name\":\"Summarise\","
                   "\"kind\":\"summary\",\"instruction\":\"three lines\"},"
                   "{\"id\":\"7F1C2A9E-1B2C-4D5E-8F90-A1B2C3D4E5F6\",\"name\":\"Formal\","
                   "\"kind\":\"ai\",\"instruction\":\"formal\"}");
    platform::DefaultsStore defaults(path);
    defaults.setData(Transforms::defaultsKey, newerVersion);

    Transforms store(defaults);
    ASSERT_EQ(store.items().size(), 3); // the defaults, in memory only
    EXPECT_EQ(store.items()[0].kind, Kind::bulletList);
    EXPECT_EQ(defaults.data(Transforms::defaultsKey), newerVersion);
    EXPECT_FALSE(defaults.contains(Transforms::unreadableKey));

    store.modifyItems([](QList<Transforms::Transform>& items) { items.removeLast(); });
    EXPECT_EQ(defaults.data(Transforms::unreadableKey), newerVersion);
    EXPECT_EQ(Transforms::decode(defaults.data(Transforms::defaultsKey).value())->size(), 2);
}

TEST_F(TransformsStoreTest, AValueOfAnotherKindGivesTheDefaultsAndIsKeptToo) {
    platform::DefaultsStore defaults(path);
    defaults.setString(Transforms::defaultsKey, "[]"); // text, not a data value
    Transforms store(defaults);
    EXPECT_EQ(store.items().size(), 3);
    store.setItems({});
    EXPECT_EQ(defaults.string(Transforms::unreadableKey), "[]");
    EXPECT_EQ(defaults.data(Transforms::defaultsKey), QByteArray("[]"));
}

TEST_F(TransformsStoreTest, AHandEditedValueOfAnyShapeIsKeptBeforeTheFirstSave) {
    // What a person may leave in defaults.json by hand: the list written as plain JSON instead
    // of a data value, an object, or a data value whose base64 is broken.
    const QJsonArray plainList{QJsonObject{{"id", "6F1C2A9E-1B2C-4D5E-8F90-A1B2C3D4E5F6"},
                                           {"name", "Formal"},
                                           {"kind", "ai"},
                                           {"instruction", "formal"}}};
    const QList<QJsonValue> handEdits{plainList, QJsonObject{{"name", "Formal"}},
                                      QJsonObject{{"$data", "not*base64!"}}};
    for (const QJsonValue& edit : handEdits) {
        SCOPED_TRACE(QJsonDocument(QJsonArray{edit}).toJson(QJsonDocument::Compact).toStdString());
        QDir().mkpath(QFileInfo(path).path());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(QJsonDocument(QJsonObject{{"transforms", edit}}).toJson());
        file.close();

        platform::DefaultsStore defaults(path);
        Transforms store(defaults);
        EXPECT_EQ(store.items().size(), 3);
        store.modifyItems([](QList<Transforms::Transform>& items) { items.removeFirst(); });

        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        const QJsonObject stored = QJsonDocument::fromJson(file.readAll()).object();
        file.close();
        EXPECT_EQ(stored.value("transforms.unreadable"), edit);
        EXPECT_EQ(Transforms::decode(defaults.data(Transforms::defaultsKey).value())->size(), 2);
    }
}

TEST(TransformsApplyTest, LocalKindsRunThroughTheStoreToo) {
    EXPECT_EQ(Transforms::applyLocal(Kind::titleCase, "war and peace"), "War and Peace");
    EXPECT_EQ(Transforms::applyLocal(Kind::ai, "as is"), "as is");
}

} // namespace
} // namespace tavik
