#pragma once

#include <QLabel>
#include <QVBoxLayout>
#include <QWidget>

class QPainter;

namespace tavik::design {

// The small upper-case heading above a group: 10 px medium, tracking 1.5, silver. The text is
// upper-cased as a whole string (locale-independent) and shown verbatim as plain text.
class SectionLabel : public QLabel {
public:
    explicit SectionLabel(const QString& text = {}, QWidget* parent = nullptr);
    // Replaces the heading; the shown text is `text` upper-cased.
    void setHeading(const QString& text);

    // The same look without a widget, for lists that paint their own rows.
    static QFont headingFont();
    static QString headingText(const QString& text);
    static void paint(QPainter& painter, const QRectF& rect, const QString& text,
                      Qt::Alignment alignment = Qt::AlignLeft | Qt::AlignVCenter);
};

//  ╭──────────────────────────╮   a raised card: kelp fill, 1 px hairline inside the edge,
//  │ padding                  │   radius 16. Content goes into layout(); rows added with
//  │   row                    │   addRow() touch each other with a 1 px hairline between
//  │ ───────────────────────  │   them: under every shown row but the last, as wide as the
//  │   row                    │   rows themselves.
//  ╰──────────────────────────╯
class Card : public QWidget {
public:
    explicit Card(int padding = 20, QWidget* parent = nullptr);

    QVBoxLayout* contentLayout() const { return content_; }
    int padding() const { return padding_; }

    // Appends a row to the card's list of rows (the list sits in the content layout, after
    // whatever was added there before the first row). Separators follow the rows: a hidden or
    // deleted row takes its separator with it.
    void addRow(QWidget* row);
    QList<QWidget*> rows() const;
    // Hides the rows at once and deletes them once control returns to the event loop, so a
    // row's own button may clear the list from its click.
    void clearRows();

    // Where separators stand, in card coordinates (one per gap between shown rows).
    QList<QRectF> separatorRects() const;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int padding_;
    QVBoxLayout* content_;
    QVBoxLayout* rows_ = nullptr;
};

// A sunken well: deep fill, 1 px hairline inside the edge, the given corner radius, no padding.
class Well : public QWidget {
public:
    explicit Well(qreal radius = 6, QWidget* parent = nullptr);
    QVBoxLayout* contentLayout() const { return content_; }
    qreal radius() const { return radius_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    qreal radius_;
    QVBoxLayout* content_;
};

} // namespace tavik::design
