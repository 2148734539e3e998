#include "app/panes/history/history_header.h"

#include "app/dictation/dictation_controller.h"
#include "app/panes/history/figure_text.h"
#include "app/panes/history/history_texts.h"
#include "app/shell/design/labels.h"
#include "app/shell/design/layouts.h"
#include "app/shell/design/paint.h"
#include "app/shell/design/pane_frame.h"
#include "app/shell/design/theme.h"
#include "app/stores/history_statistics.h"
#include "app/stores/preferences.h"

#include <QFontMetricsF>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include <cmath>

namespace tavik::panes {

using design::Theme;

namespace {

constexpr int keyPaddingX = 9;
constexpr int keyPaddingY = 3;

QFont keyFont() {
    return Theme::font(15, QFont::Medium);
}

QFont sentenceFont() {
    return Theme::font(30, QFont::Medium, -0.8);
}

QLabel* sentencePart(const QString& text, QWidget* parent) {
    QLabel* label = design::makeText(text, sentenceFont(), Theme::platinum, parent);
    return label;
}

} // namespace

KeyCap::KeyCap(QWidget* parent) : QWidget(parent) {
    setFont(keyFont());
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void KeyCap::setText(const QString& text) {
    if (text == text_) {
        return;
    }
    text_ = text;
    setAccessibleName(text_);
    updateGeometry();
    update();
}

QSize KeyCap::sizeHint() const {
    const QFontMetricsF metrics(keyFont());
    return QSize(int(std::ceil(metrics.horizontalAdvance(text_))) + 2 * keyPaddingX,
                 int(std::ceil(metrics.height())) + 2 * keyPaddingY);
}

void KeyCap::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor fill = Theme::mist;
    fill.setAlphaF(0.18f);
    painter.fillPath(design::paint::roundedRect(rect(), Theme::radiusSmall), fill);
    painter.setFont(keyFont());
    painter.setPen(Theme::label);
    painter.drawText(rect().adjusted(keyPaddingX, keyPaddingY, -keyPaddingX, -keyPaddingY),
                     Qt::AlignLeft | Qt::AlignVCenter | Qt::TextSingleLine, text_);
}

StatRail::StatRail(QWidget* parent) : QWidget(parent), row_(new QHBoxLayout(this)) {
    row_->setContentsMargins(0, 0, 0, 0);
    row_->setSpacing(22);
    words_ = makeStat(QStringLiteral("words this week"));
    speed_ = makeStat(QStringLiteral("words per minute"));
    streak_ = makeStat(QStringLiteral("day streak"));
}

StatRail::Stat StatRail::makeStat(const QString& label) {
    auto* box = new QWidget(this);
    auto* column = design::tightColumn(box, 1);
    QLabel* value =
        design::makeText(QString(), Theme::font(28, QFont::Medium, -0.6), Theme::phosphor, box);
    QFont labelFont = Theme::font(10, QFont::Normal, 1.2);
    // Shown in capitals; the string itself stays as written.
    labelFont.setCapitalization(QFont::AllUppercase);
    QLabel* caption = design::makeText(label, labelFont, Theme::slate, box);
    column->addWidget(value);
    column->addWidget(caption);
    row_->addWidget(box, 0, Qt::AlignVCenter);
    return Stat{box, value, caption};
}

void StatRail::refresh(const QDateTime& now) {
    const HistoryStatistics& statistics = HistoryStatistics::shared();
    words_.value->setText(integerText(statistics.wordsThisWeek(now)));
    const std::optional<double> wpm = statistics.medianWPM();
    speed_.value->setText(wpm ? integerText(truncToInt64(*wpm)) : QString());
    speed_.box->setVisible(wpm.has_value());
    streak_.value->setText(integerText(statistics.dayStreak(now)));
}

QList<std::pair<QString, QString>> StatRail::figures() const {
    QList<std::pair<QString, QString>> shown;
    for (const Stat* stat : {&words_, &speed_, &streak_}) {
        if (!stat->box->isHidden()) {
            shown.append({stat->value->text(), stat->label->text()});
        }
    }
    return shown;
}

HistoryHeader::HistoryHeader(DictationController& controller, QWidget* parent)
    : QWidget(parent), controller_(controller) {
    auto* row = design::tightRow(this, 8);

    auto* left = new QVBoxLayout;
    left->setSpacing(6);
    auto* sentence = new QHBoxLayout;
    sentence->setSpacing(8);
    gesture_ = sentencePart(QString(), this);
    keyCap_ = new KeyCap(this);
    sentence->addWidget(gesture_, 0, Qt::AlignVCenter);
    sentence->addWidget(keyCap_, 0, Qt::AlignVCenter);
    // The closing words and the mode line wrap rather than holding the pane wider than a
    // narrow window.
    sentence->addWidget(new design::WrappingLabel(QStringLiteral("and speak."), sentenceFont(),
                                                  Theme::platinum, this),
                        1, Qt::AlignVCenter);
    left->addLayout(sentence);
    mode_ = new design::WrappingLabel(QString(), Theme::font(12), Theme::silver, this);
    left->addWidget(mode_);

    row->addLayout(left, 1);
    // The spacer's least length and the stack's spacing on both its sides: a box layout puts no
    // spacing next to a spacer item, so it all goes in here.
    row->addSpacing(8 + 8);
    rail_ = new StatRail(this);
    row->addWidget(rail_, 0, Qt::AlignTop);

    connect(&Preferences::shared(), &Preferences::bindingsChanged, this,
            &HistoryHeader::refreshBindings);
    refreshBindings();
}

QString HistoryHeader::mode() const {
    return mode_->text();
}

void HistoryHeader::refreshBindings() {
    const Preferences& preferences = Preferences::shared();
    gesture_->setText(history_texts::gestureWord(preferences));
    keyCap_->setText(preferences.primaryLabel());
    mode_->setText(controller_.modeDescription());
}

} // namespace tavik::panes
