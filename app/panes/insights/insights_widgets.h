#pragma once

#include <QWidget>

namespace tavik::panes {

//   ╭──────────────────╮  one figure card: its glyph (12, mist), the value (30 medium,
//   │14 ≡              │  tracking -0.8, phosphor) and the label (11, silver), 6 apart,
//   │   1200           │  padded 14 on a kelp card of radius 16 with a hairline inside.
//   │   words dictated │  Cards of one row share its width equally; a value too wide for its
//   ╰──────────────────╯  card is elided rather than widening the row.
class StatCard : public QWidget {
    Q_OBJECT

public:
    StatCard(const QString& value, const QString& label, const QString& glyph,
             QWidget* parent = nullptr);

    QString value() const { return value_; }
    QString label() const { return label_; }
    QString glyph() const { return glyph_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    static constexpr int padding = 14;
    static constexpr int spacing = 6;
    static constexpr int glyphSize = 12;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString value_;
    QString label_;
    QString glyph_;
};

// A bar 4 high whose filled part, from the leading edge, is `fraction` of the width: a rounded
// rectangle of radius 3 with the bioluminescent gradient laid across the filled part itself.
class ProportionBar : public QWidget {
    Q_OBJECT

public:
    explicit ProportionBar(double fraction, QWidget* parent = nullptr);
    double fraction() const { return fraction_; }
    QRectF filledRect() const;
    QSize sizeHint() const override { return QSize(100, height); }

    static constexpr int height = 4;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    double fraction_;
};

} // namespace tavik::panes
