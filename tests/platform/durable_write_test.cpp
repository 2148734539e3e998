// Replacing a file on a full or read-only file system keeps the old file whole and says why;
// what a killed write leaves behind is cleared at the next start.
#include "platform/log_sink.h"
#include "platform/private_files.h"
#include "tests/support/small_file_system.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include <cerrno>

namespace tavik::platform {
namespace {

std::string readAll(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll().toStdString() : "<unreadable>";
}

QStringList namesIn(const QString& folder) {
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

// Small files are the ones a buffered writer empties: settings, a young history.
TEST(DurableWrite, AFullOrReadOnlyDiskLeavesTheOldFileAndSaysWhy) {
    TAVIK_RUN_IN_PRIVATE_MOUNT_NAMESPACE();
    test::SmallFileSystem disk(QDir::homePath() + "/small", 256 * 1024);
    const QString path = disk.folder() + "/Tavik/defaults.json";
    const QByteArray old = "{\n    \"silenceHoldMs\": 900\n}\n";
    ASSERT_TRUE(writeFileDurably(path, old));

    disk.fill();
    for (const QByteArray& bytes : {QByteArray("{}"), QByteArray(100'000, 'x')}) {
        const FileWriteResult full = writeFileDurably(path, bytes);
        EXPECT_FALSE(full.ok());
        EXPECT_EQ(full.error, ENOSPC);
        EXPECT_EQ(full.reason(), "No space left on device");
        EXPECT_EQ(readAll(path), old.toStdString());
        EXPECT_EQ(namesIn(disk.folder() + "/Tavik"), QStringList{"defaults.json"})
            << "the temporary file must not stay behind";
    }

    disk.release();
    disk.setReadOnly(true);
    const FileWriteResult readOnly = writeFileDurably(path, "{}");
    EXPECT_EQ(readOnly.error, EROFS);
    EXPECT_EQ(readAll(path), old.toStdString());

    disk.setReadOnly(false);
    const QByteArray newer = "{\n    \"silenceHoldMs\": 1200\n}\n";
    EXPECT_TRUE(writeFileDurably(path, newer));
    EXPECT_EQ(readAll(path), newer.toStdString());
    EXPECT_EQ(QFileInfo(path).permissions() & 0x0077, 0) << "private to its owner";
}

TEST(DurableWrite, ALinkedFileStaysLinkedAndLeftoversOfAKilledWriteAreRemoved) {
    const QString folder = QDir::homePath() + "/files";
    const QString target = folder + "/dotfiles/defaults.json";
    const QString link = folder + "/Tavik/defaults.json";
    ASSERT_TRUE(writeFileDurably(target, "{}"));
    ASSERT_TRUE(ensurePrivateFolder(folder + "/Tavik"));
    ASSERT_TRUE(QFile::link(target, link));
    ASSERT_TRUE(writeFileDurably(link, "{\"a\": 1}"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(readAll(target), "{\"a\": 1}");

    QStringList logged;
    setLogSink([&logged](const QString& line) { logged << line; });
    const QString history = folder + "/Tavik/history.json";
    for (const char* name :
         {".history.json.tavik-save-a1B2c3", ".history.json.tavik-save-ZZZZZZ",
          "history.json.a1B2c3", "history.json.bak", "history.json.unreadable-20261208T011745Z",
          ".other.json.tavik-save-a1B2c3"}) {
        ASSERT_TRUE(writeFileDurably(folder + "/Tavik/" + QString(name), "left over"));
    }
    EXPECT_EQ(removeLeftoverTemporaries(history), 2);
    setLogSink({});
    EXPECT_EQ(namesIn(folder + "/Tavik"),
              QStringList({".other.json.tavik-save-a1B2c3", "defaults.json", "history.json.a1B2c3",
                           "history.json.bak", "history.json.unreadable-20261208T011745Z"}));
    EXPECT_TRUE(logged.contains("removed .history.json.tavik-save-a1B2c3, left behind by a save "
                                "that was cut short"));
}

} // namespace
} // namespace tavik::platform
