#pragma once

// What the settings pane shows and writes, as plain functions of the settings and the
// controller's state, so every rule is checked without widgets.
#include "app/dictation/dictation_state.h"
#include "app/stores/speech_model.h"
#include "app/stores/trigger.h"

#include <QColor>
#include <QString>
#include <QStringList>

#include <optional>
#include <variant>

namespace tavik::panes::settings {

// The header's pill: a word and the colour of its dot and fill.
struct PillLook {
    QString text;
    QColor color;
};
PillLook pillLook(const dictation::State& state);

// A slider value brought down to the multiple of `step` below it (toward zero). A value that
// is not finite gives 0, never undefined behaviour.
qint64 snappedDown(double value, qint64 step);

// "250 MB · using 12 MB": the budget, then the archive's size in whole megabytes.
QString usageLine(qint64 budgetMB, qint64 archiveBytes);

// "700 ms".
QString holdLabel(qint64 milliseconds);

// A model is downloaded when a file or folder of its file name lies in any search folder.
bool isDownloaded(SpeechModel model, const QStringList& searchPaths);

// The binding a row shows: the stored one, else right Alt held, switched off.
TriggerBinding displayedBinding(const TriggerBindings& bindings, DictationAction action);

// One field of a binding changed by the user: the switch, a gesture chip or a key.
using BindingChange = std::variant<bool, TriggerGesture, TriggerKey>;

// The stored binding (else right Alt held, switched on) with exactly that one field replaced.
TriggerBinding rewrittenBinding(const std::optional<TriggerBinding>& stored,
                                const BindingChange& change);

// The X11 shortcut listener never sees fn, so an enabled binding on it can never fire.
bool bindsUnheardKey(const TriggerBinding& binding);

} // namespace tavik::panes::settings
