#pragma once

#include <QString>

namespace tavik {

// An error that says what happened: the domain ("Tavik" for the program's own failures, the
// library's name for errors passed on unchanged), a small integer code and a readable text.
struct Error {
    QString domain;
    int code = 0;
    QString description; // what the user is shown (the localized description)

    static Error tavik(int code, QString description) {
        return Error{QStringLiteral("Tavik"), code, std::move(description)};
    }
};

} // namespace tavik
