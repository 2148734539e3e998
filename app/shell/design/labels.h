#pragma once

#include <QColor>
#include <QFont>
#include <QString>
#include <QWidget>

namespace tavik::design {

// Texts that come from data, always plain (never markup), in two shapes the panes need.

// Wraps to its width, at word boundaries where it can and inside an overlong word where it
// must, so a long URL or name never pushes the window wider. Its height follows its width.
class WrappingLabel : public QWidget {
    Q_OBJECT
public:
    WrappingLabel(const QString& text, const QFont& font, const QColor& color,
                  QWidget* parent = nullptr);

    QString text() const { return text_; }
    void setText(const QString& text);
    QColor color() const { return color_; }
    void setColor(const QColor& color);
    void setAlignment(Qt::Alignment alignment);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    QColor color_;
    Qt::Alignment alignment_ = Qt::AlignLeft;
};

// One line, cut with "…" at the right when it does not fit; line breaks and tabs show as spaces.
class ElidedLabel : public QWidget {
    Q_OBJECT
public:
    ElidedLabel(const QString& text, const QFont& font, const QColor& color,
                QWidget* parent = nullptr);

    QString text() const { return text_; }
    void setText(const QString& text);
    QColor color() const { return color_; }
    void setColor(const QColor& color);
    // What is drawn at the current width.
    QString shownText() const;

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

    static QString oneLine(const QString& text);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
    QColor color_;
};

} // namespace tavik::design
