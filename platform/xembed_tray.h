#pragma once

#include <QColor>
#include <QObject>

#include <memory>
#include <optional>

namespace tavik::platform {

// The X11 system tray of this screen (the XEmbed kind: trayer, stalonetray, older panels): is
// one running, and which ink does it ask its icons to use (_NET_SYSTEM_TRAY_COLORS, set by
// panels that follow the desktop's theme). Follows a tray that starts, quits or changes its
// colours, on an X connection of its own so it never disturbs what Qt asks of the same windows.
// Without X11 (offscreen) there is never a tray. Main thread only.
class XEmbedTray final : public QObject {
    Q_OBJECT
public:
    explicit XEmbedTray(QObject* parent = nullptr);
    ~XEmbedTray() override;

    bool present() const;
    // The tray's foreground colour for icons, when it gives one.
    std::optional<QColor> foreground() const;

signals:
    void changed();

private:
    class Private;
    std::unique_ptr<Private> d_;
};

} // namespace tavik::platform
