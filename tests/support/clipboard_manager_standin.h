#pragma once

#include <QByteArray>
#include <QProcess>
#include <QString>

#include <map>

namespace tavik::test {

// The clipboard manager stand-in (tools/clipboard-manager-standin) running on the test desktop:
// it owns CLIPBOARD_MANAGER and keeps what a quitting owner asks it to save.
class ClipboardManagerStandIn {
public:
    ~ClipboardManagerStandIn();

    // Starts it and waits until it owns CLIPBOARD_MANAGER; `silent` never answers a save.
    bool start(bool silent = false);
    // Target name -> content of every target it saved so far.
    std::map<QString, QByteArray> saved();
    // How many save requests it has answered.
    int answers();

private:
    void read();

    QProcess process_;
    QByteArray output_;
};

} // namespace tavik::test
