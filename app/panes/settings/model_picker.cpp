#include "app/panes/settings/model_picker.h"

#include "app/dictation/dictation_controller.h"
#include "app/panes/settings/glyph_label.h"
#include "app/panes/settings/settings_rules.h"
#include "app/shell/design/glyphs.h"
#include "app/shell/design/labels.h"
#include "app/shell/design/layouts.h"
#include "app/shell/design/paint.h"
#include "app/shell/design/theme.h"
#include "app/stores/preferences.h"

#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

namespace tavik::panes::settings {

using design::Theme;

namespace {
constexpr qreal markPixels = 13; // the body size: the mark has no font of its own
constexpr qreal spacing = 10;
constexpr qreal lineGap = 1;

QFont titleFont() {
    return Theme::font(12, QFont::Medium);
}
QFont detailFont() {
    return Theme::font(11);
}
} // namespace

//  ◉  Fast — base.en
//     ~46ms · 21.8% WER · 141 MB        (faded to 0.45 when the file is missing)
ModelRow::ModelRow(SpeechModel model, QWidget* parent) : QAbstractButton(parent), model_(model) {
    setText(label(model_));
    setCheckable(true);
    setAutoExclusive(true);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
}

QString ModelRow::detailText() const {
    return downloaded_ ? detail(model_) : QStringLiteral("Not downloaded");
}

void ModelRow::setLook(bool selected, bool downloaded) {
    selected_ = selected;
    downloaded_ = downloaded;
    if (selected) {
        setChecked(true); // unchecks the other row
    }
    setAccessibleName(text());
    setAccessibleDescription(detailText());
    update();
}

QSize ModelRow::sizeHint() const {
    const QFontMetricsF title(titleFont());
    const QFontMetricsF detailMetrics(detailFont());
    const qreal textWidth =
        qMax(title.horizontalAdvance(text()), detailMetrics.horizontalAdvance(detail(model_)));
    return {int(std::ceil(markPixels + spacing + textWidth)),
            int(std::ceil(title.height() + lineGap + detailMetrics.height()))};
}

QSize ModelRow::minimumSizeHint() const {
    return {int(markPixels + spacing), sizeHint().height()};
}

void ModelRow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(opacity());
    const qreal middle = height() / 2.0;
    design::paintGlyph(
        painter, selected_ ? QStringLiteral("largecircle.fill.circle") : QStringLiteral("circle"),
        QRectF(0, middle - markPixels / 2, markPixels, markPixels),
        selected_ ? Theme::mist : Theme::secondaryLabel);

    const qreal left = markPixels + spacing;
    const qreal textWidth = qMax<qreal>(0, width() - left);
    const QFontMetricsF title(titleFont());
    const QFontMetricsF detailMetrics(detailFont());
    const qreal top = middle - (title.height() + lineGap + detailMetrics.height()) / 2;
    painter.setFont(titleFont());
    painter.setPen(Theme::label);
    painter.drawText(QRectF(left, top, textWidth, title.height()), Qt::AlignLeft | Qt::AlignVCenter,
                     title.elidedText(text(), Qt::ElideRight, textWidth));
    painter.setFont(detailFont());
    painter.setPen(Theme::silver);
    painter.drawText(
        QRectF(left, top + title.height() + lineGap, textWidth, detailMetrics.height()),
        Qt::AlignLeft | Qt::AlignVCenter,
        detailMetrics.elidedText(detailText(), Qt::ElideRight, textWidth));
    if (hasFocus()) {
        painter.setOpacity(1);
        design::paint::focusRing(painter, QRectF(rect()), Theme::radiusSmall);
    }
}

ModelPicker::ModelPicker(Preferences& preferences, DictationController& controller, QWidget* parent)
    : QWidget(parent), prefs_(preferences), controller_(controller) {
    auto* column = design::tightColumn(this, 8);
    for (const SpeechModel model : allCases<SpeechModel>()) {
        auto* row = new ModelRow(model, this);
        connect(row, &QAbstractButton::clicked, this, [this, model] { choose(model); });
        column->addWidget(row);
        rows_.append(row);
    }
    column->addWidget(new design::WrappingLabel(
        QStringLiteral("Measured on real speech — see docs/spike-02 and the accuracy eval."),
        Theme::font(10), Theme::silver, this));

    connect(&prefs_, &Preferences::changed, this, &ModelPicker::refresh);
    connect(&controller_, &DictationController::stateChanged, this, &ModelPicker::refresh);
    refresh();
}

void ModelPicker::refresh() {
    const QStringList folders = prefs_.searchPaths();
    for (ModelRow* row : rows_) {
        row->setLook(row->model() == prefs_.model(), isDownloaded(row->model(), folders));
    }
}

void ModelPicker::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    refresh();
}

void ModelPicker::choose(SpeechModel model) {
    // A file removed since the last look must not be chosen: ask the disk again.
    if (!isDownloaded(model, prefs_.searchPaths())) {
        refresh();
        return;
    }
    prefs_.setModel(model);
    controller_.loadModel();
}

} // namespace tavik::panes::settings
