#pragma once

#include <QString>

namespace tavik::platform {

// Where Tavik keeps its files, following the XDG base directories. Every store takes its
// folder from the caller; these are the defaults the application hands them.
struct Folders {
    QString config; // $XDG_CONFIG_HOME/Tavik   (defaults.json)
    QString data;   // $XDG_DATA_HOME/Tavik     (history, audio, scratchpad, models)
    QString state;  // $XDG_STATE_HOME/Tavik    (diagnostic log)
    QString home;   // $HOME; when it is empty or relative, the account's home

    static Folders fromEnvironment();
    // Why the folders fromEnvironment() gives cannot be used (a variable whose bytes are no
    // text this program can keep as a path, or no home at all); empty when they can. The
    // application refuses to start rather than make its folders somewhere else.
    static QString environmentProblem();
};

// The folder holding the application's resources (models/, sounds): the install prefix's
// share/tavik, or the source tree's resources/ when run from a build tree.
QString resourcesFolder();

// Joins a folder and a name with exactly one separator; an empty folder gives the bare name.
QString joinPath(const QString& folder, const QString& name);

} // namespace tavik::platform
