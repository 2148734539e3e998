#pragma once

class QHBoxLayout;
class QVBoxLayout;
class QWidget;

namespace tavik::design {

// Box layouts as the windows lay out nearly everything: no margins of their own (padding belongs
// to the surface that draws it) and a fixed gap between items. On `owner`, or unattached when it
// is null, to be nested in another layout.
QHBoxLayout* tightRow(QWidget* owner, int spacing);
QVBoxLayout* tightColumn(QWidget* owner, int spacing);

} // namespace tavik::design
