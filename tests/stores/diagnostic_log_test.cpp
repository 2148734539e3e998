#include "app/stores/diagnostic_log.h"

#include <QDateTime>

#include <gtest/gtest.h>

namespace tavik {
namespace {

TEST(DiagnosticLogLine, StampKeepsTheLastFourteenCharactersOfTheUtcTime) {
    const QDateTime at(QDate(2026, 12, 8), QTime(1, 17, 45), Qt::UTC);
    EXPECT_EQ(DiagnosticLog::formatLine("quitting", at), "[tavik 2-08T01:17:45Z] quitting\n");
    EXPECT_EQ(DiagnosticLog::formatLine("", at), "[tavik 2-08T01:17:45Z] \n");
}

} // namespace
} // namespace tavik
