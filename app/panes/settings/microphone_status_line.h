#pragma once

#include "app/panes/settings/microphone_rules.h"

#include <QWidget>

namespace tavik::panes::settings {

class LevelMeter;

// "Listening on <device>" with its dot and, while a device captures, the level meter. The
// device name is drawn in the lighter colour; a long one is cut off with an ellipsis at the
// end, never wrapped and never read as markup.
class MicrophoneStatusLine final : public QWidget {
    Q_OBJECT
public:
    MicrophoneStatusLine(std::function<float()> level, QWidget* parent = nullptr);

    void setStatus(const dictation::MicrophoneStatus& status);
    const MicrophoneStatusText& statusText() const { return text_; }
    // The whole sentence as shown (and told to screen readers).
    QString sentence() const { return text_.lead + text_.name; }
    LevelMeter* meter() const { return meter_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void placeMeter();
    qreal textRight() const;

    MicrophoneStatusText text_;
    LevelMeter* meter_;
};

} // namespace tavik::panes::settings
