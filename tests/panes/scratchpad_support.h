#pragma once

// Shared by the scratchpad pane and editor tests: the real store and its file in the test's own
// data folder, empty at the start with dictation going to the focused application, and the pane
// as a person opens it.
#include "app/panes/scratchpad/scratchpad_pane.h"
#include "app/shell/design/motion.h"
#include "app/stores/preferences.h"
#include "app/stores/scratchpad.h"

#include <QAbstractButton>

#include <gtest/gtest.h>

#include <memory>

namespace tavik::panes {

class ScratchpadFixture : public ::testing::Test {
protected:
    void SetUp() override {
        design::Motion::setEnabled(false);
        pad().setText(QString());
        Preferences::shared().setDictateToScratchpad(false);
    }

    static Scratchpad& pad() { return Scratchpad::shared(); }

    static std::unique_ptr<ScratchpadPane> makePane() {
        auto pane = std::make_unique<ScratchpadPane>();
        pane->resize(810, 620);
        pane->show();
        return pane;
    }

    static QAbstractButton* button(QWidget& pane, const QString& text) {
        for (auto* b : pane.findChildren<QAbstractButton*>()) {
            if (b->text() == text) {
                return b;
            }
        }
        ADD_FAILURE() << "no button " << text.toStdString();
        return nullptr;
    }
};

} // namespace tavik::panes
