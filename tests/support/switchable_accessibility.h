#pragma once

#include "platform/accessibility.h"

namespace tavik::test {

// The desktop's accessibility switch, held by the test: whether it reads as on, and how often
// something asked the desktop to turn it on.
class SwitchableAccessibility final : public platform::Accessibility {
public:
    bool enabled = false;
    int enableRequests = 0;
    bool trusted() override { return enabled; }
    void requestEnabled() override { ++enableRequests; }
    std::unique_ptr<platform::AccessibleText> focusedElement(qint64) override { return nullptr; }
};

} // namespace tavik::test
