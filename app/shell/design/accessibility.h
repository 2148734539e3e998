#pragma once

namespace tavik::design {

// Teaches Qt's accessibility bridge the design system's own controls: the slider as a slider
// with its value, the option row as a radio button with its selection. Called by those
// controls' constructors; safe to call again.
void installDesignAccessibility();

} // namespace tavik::design
