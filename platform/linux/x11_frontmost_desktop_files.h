#pragma once

#include <QString>

#include <optional>
#include <vector>

namespace tavik::platform::x11 {

// An installed application as its desktop entry describes it.
struct DesktopEntry {
    QString id;   // desktop-file id without ".desktop" ("org.gnome.Nautilus")
    QString name; // Name, localised for the user's language when the entry says so
};

// Looks desktop entries up in $XDG_DATA_HOME/applications and $XDG_DATA_DIRS/*/applications.
// The folders are read once, on the first lookup.
class DesktopFiles {
public:
    // The entry with exactly this id.
    std::optional<DesktopEntry> byId(const QString& id);
    // The entry whose StartupWMClass is `windowClass` or `instance` (of several, the one whose id
    // or program is named like the window), else one whose id equals the window class ignoring
    // case.
    std::optional<DesktopEntry> byWindowClass(const QString& windowClass, const QString& instance);

    // Turns "/usr/share/applications/org.kde.dolphin.desktop" or "org.kde.dolphin.desktop"
    // into "org.kde.dolphin".
    static QString idFromFileName(const QString& fileName);

private:
    struct Record {
        DesktopEntry entry;
        QString startupWmClass;
        QString program;
    };
    void load();

    bool loaded_ = false;
    std::vector<Record> records_;
};

} // namespace tavik::platform::x11
