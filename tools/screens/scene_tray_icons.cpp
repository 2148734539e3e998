// The tray icon of every dictation state on a light and on a dark panel, as panels draw it: at
// the panel sizes of a plain screen, at twice the size on a screen scaled to 200 %, and in the
// colour a tray asks for when it gives one.
#include "app/shell/design/look.h"
#include "app/shell/design/theme.h"
#include "app/shell/tray_icons.h"
#include "tools/screens/scene.h"

#include <QPainter>

namespace tavik::screens {
namespace {

using dictation::State;

const QList<State> states = {State::idle(), State::loading(), State::recording(),
                             State::transcribing(), State::failed("x")};

class PanelStrips final : public QWidget {
public:
    PanelStrips(const QColor& panel, const QColor& trayInk) : panel_(panel), trayInk_(trayInk) {
        int width = margin * 2 + labelWidth;
        for (int size : tray_icons::pixmapSizes) {
            width += stripWidth(size) + gap;
        }
        setFixedSize(width, margin * 2 + rowHeight * 4);
    }

protected:
    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.fillRect(rect(), design::Theme::abyss);
        const QColor paletteInk = tray_icons::ink(std::nullopt, design::desktopPalette());
        int y = margin;
        row(painter, y, QStringLiteral("scale 1"), paletteInk, 1);
        row(painter, y, QStringLiteral("scale 2"), paletteInk, 2);
        row(painter, y, QStringLiteral("tray colour"), trayInk_, 1);
        row(painter, y, QStringLiteral("tray, scale 2"), trayInk_, 2);
    }

private:
    static constexpr int margin = 12;
    static constexpr int labelWidth = 96;
    static constexpr int rowHeight = 64;
    static constexpr int gap = 12;

    static int stripWidth(int pixels) { return 5 * (pixels + 6) + 6; }

    // One panel strip per size; within it, the five states side by side.
    void row(QPainter& painter, int& y, const QString& label, const QColor& ink, int scale) {
        painter.setPen(design::Theme::silver);
        painter.setFont(design::Theme::font(11));
        painter.drawText(QRect(margin, y, labelWidth, rowHeight), Qt::AlignVCenter, label);
        int x = margin + labelWidth;
        for (int size : tray_icons::pixmapSizes) {
            if (std::find(std::begin(tray_icons::pixmapSizes), std::end(tray_icons::pixmapSizes),
                          size * scale) == std::end(tray_icons::pixmapSizes)) {
                continue; // a scaled screen asks for twice the panel's size
            }
            const int strip = size * scale + 8;
            const QRect panel(x, y + (rowHeight - strip) / 2, stripWidth(size * scale), strip);
            painter.fillRect(panel, panel_);
            int at = panel.left() + 6;
            for (const State& state : states) {
                const QList<QImage> images = tray_icons::images(tray_icons::iconName(state), ink);
                const QImage* image = nullptr;
                for (const QImage& candidate : images) {
                    if (candidate.width() == size * scale) {
                        image = &candidate;
                    }
                }
                if (image != nullptr) {
                    painter.drawImage(QPoint(at, panel.top() + 4), *image);
                }
                at += size * scale + 6;
            }
            x = panel.right() + 1 + gap;
        }
        y += rowHeight;
    }

    QColor panel_;
    QColor trayInk_;
};

Scene panelScene(const QString& name, const QColor& panel, const QColor& trayInk) {
    return Scene{QStringLiteral("shell-tray-icons-") + name, QSize(),
                 [panel, trayInk](SceneContext&) -> QWidget* {
                     return new PanelStrips(panel, trayInk);
                 }};
}

const SceneRegistration trayIconScenes[] = {
    SceneRegistration{panelScene("light", QColor(0xF6, 0xF5, 0xF4), QColor(0x2E, 0x34, 0x36))},
    SceneRegistration{panelScene("dark", QColor(0x1E, 0x1E, 0x1E), QColor(0xEE, 0xEE, 0xEC))},
};

} // namespace
} // namespace tavik::screens
