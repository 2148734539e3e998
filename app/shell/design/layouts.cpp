#include "app/shell/design/layouts.h"

#include <QBoxLayout>

namespace tavik::design {

namespace {

template <class Box> Box* tight(QWidget* owner, int spacing) {
    auto* box = new Box(owner);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(spacing);
    return box;
}

} // namespace

QHBoxLayout* tightRow(QWidget* owner, int spacing) {
    return tight<QHBoxLayout>(owner, spacing);
}

QVBoxLayout* tightColumn(QWidget* owner, int spacing) {
    return tight<QVBoxLayout>(owner, spacing);
}

} // namespace tavik::design
