#pragma once

#include <QFileInfo>
#include <QString>

#include <functional>

#include <gtest/gtest.h>

namespace tavik::test {

// A file the project carries for its tests: "audio/..." under tests/fixtures, and the shipped
// voice-activity model ("models/ggml-silero-v6.2.0.bin", its release name) among the resources.
// The path is returned whether or not the file is there.
QString projectFixture(const QString& relativePath);

// Whether the test desktop session (tests/desktop-session) is running around this test.
bool desktopSessionRunning();

// Runs the Qt event loop until `done` holds or `timeoutMs` passes; returns `done()`.
bool spinUntil(const std::function<bool()>& done, int timeoutMs);

// Flips the test desktop's accessibility switch the way a desktop's settings would.
bool setAccessibilitySwitch(bool on);

} // namespace tavik::test

// The file is part of the clone: a missing one is a broken checkout, so the test fails.
#define TAVIK_REQUIRE_FIXTURE(var, relative)                                                       \
    const QString var = ::tavik::test::projectFixture(relative);                                   \
    if (!QFileInfo(var).isFile())                                                                  \
    GTEST_FAIL() << "the project file " << var.toStdString() << " is missing from the clone"

#define TAVIK_REQUIRE_DESKTOP()                                                                    \
    if (!::tavik::test::desktopSessionRunning())                                                   \
    GTEST_SKIP() << "needs the test desktop session (run through scripts/test)"
