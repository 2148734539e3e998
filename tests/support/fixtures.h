#pragma once

#include <QString>

#include <functional>

#include <gtest/gtest.h>

namespace tavik::test {

// A file from the machine's shared fixtures (../shared beside the clone), or empty when absent.
QString sharedFixture(const QString& relativePath);

// Whether the test desktop session (tests/desktop-session) is running around this test.
bool desktopSessionRunning();

// Runs the Qt event loop until `done` holds or `timeoutMs` passes; returns `done()`.
bool spinUntil(const std::function<bool()>& done, int timeoutMs);

} // namespace tavik::test

#define TAVIK_REQUIRE_FIXTURE(var, relative)                                                       \
    const QString var = ::tavik::test::sharedFixture(relative);                                    \
    if (var.isEmpty())                                                                             \
    GTEST_SKIP() << "shared fixture " << (relative) << " is absent under " << TAVIK_SHARED_DIR

#define TAVIK_REQUIRE_DESKTOP()                                                                    \
    if (!::tavik::test::desktopSessionRunning())                                                   \
    GTEST_SKIP() << "needs the test desktop session (run through scripts/test)"
