#pragma once

#include <QColor>
#include <QFont>
#include <QString>

// The few looks of the history pane that are its own rather than the design system's; every
// colour here is a design token or a fixed mix of one.
namespace tavik::panes::historyLook {

// The day captions: a section label's font and colour, painted by the list itself.
QFont captionFont();
QColor captionColor();
QString captionText(const QString& caption); // upper-cased as a whole string

QColor textColor(); // the default foreground
QColor hoverFill(); // behind the row under the pointer: white at 0.04

} // namespace tavik::panes::historyLook
