#pragma once

// Qt's headers that Xlib's macros (Bool, Status) would break must come first.
#include <QDataStream>
#include <QMetaType>
#include <QString>
#include <QTextStream>

#include <QByteArray>

#include <X11/Xlib.h>

#include <map>
#include <optional>

namespace tavik::platform::x11 {

// Reads everything a selection's owner (CLIPBOARD unless another is named) offers over a connection
// of its own, against one deadline for the whole read: an owner that never answers, stalls an
// incremental transfer or answers slowly for many formats costs the bound, never more. Formats come
// back by MIME type (X text targets as "text/plain"); targets of the protocol itself are left out.
class SelectionReader {
public:
    using Formats = std::map<QString, QByteArray>;

    explicit SelectionReader(const char* selection = "CLIPBOARD");
    ~SelectionReader();
    SelectionReader(const SelectionReader&) = delete;
    SelectionReader& operator=(const SelectionReader&) = delete;

    // None when the read missed its bound or the owner refused the list of its formats. An
    // empty map: nobody owns the selection.
    std::optional<Formats> read(int boundMs);

private:
    struct Deadline;
    std::optional<QByteArray> convert(Atom target, const Deadline& deadline, Atom* type);
    bool waitFor(int eventType, Atom about, const Deadline& deadline, XEvent& event);
    std::optional<QByteArray> readIncrementally(const Deadline& deadline);

    Display* display_ = nullptr;
    Window window_ = None;
    Atom selection_ = None;
    Atom targets_ = None;
    Atom incr_ = None;
    Atom property_ = None;
    Atom utf8String_ = None;
};

} // namespace tavik::platform::x11
