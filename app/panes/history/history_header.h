#pragma once

#include <QDateTime>
#include <QLabel>
#include <QWidget>

class QHBoxLayout;

namespace tavik {
class DictationController;
}

namespace tavik::design {
class WrappingLabel;
}

namespace tavik::panes {

// The shortcut key drawn as a key cap: 15 px medium on mist at 0.18, radius 6, 9 by 3 around.
class KeyCap : public QWidget {
    Q_OBJECT

public:
    explicit KeyCap(QWidget* parent = nullptr);
    QString text() const { return text_; }
    void setText(const QString& text);
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString text_;
};

// Up to three figures of the history at the header's right: words this week, the median speed
// when there is one, the day streak. Each figure is its value over its label in capitals.
class StatRail : public QWidget {
    Q_OBJECT

public:
    explicit StatRail(QWidget* parent = nullptr);

    // Reads the figures of the shared history at the instant `now`.
    void refresh(const QDateTime& now);
    // The figures shown, as (value, label) pairs in order.
    QList<std::pair<QString, QString>> figures() const;

private:
    struct Stat {
        QWidget* box;
        QLabel* value;
        QLabel* label;
    };
    Stat makeStat(const QString& label);

    QHBoxLayout* row_;
    Stat words_;
    Stat speed_;
    Stat streak_;
};

//   Hold [Right Alt] and speak.                               1200      142      3
//   hold Right Alt to talk · double-tap Right Super for …     WORDS …   WORDS …  DAY STREAK
// The pane's header: how to dictate (from the settings' bindings, refreshed when they change),
// the controller's description of the shortcuts, and the statistics rail.
class HistoryHeader : public QWidget {
    Q_OBJECT

public:
    HistoryHeader(DictationController& controller, QWidget* parent = nullptr);

    void refreshBindings();
    StatRail* rail() const { return rail_; }
    QString gesture() const { return gesture_->text(); }
    QString keyCap() const { return keyCap_->text(); }
    QString mode() const;

private:
    DictationController& controller_;
    QLabel* gesture_;
    KeyCap* keyCap_;
    design::WrappingLabel* mode_;
    StatRail* rail_;
};

} // namespace tavik::panes
