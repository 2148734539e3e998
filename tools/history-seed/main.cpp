// tavik-history-seed: writes a made-up history where Tavik reads its own, to try the history
// and insights panes by hand (and a long scratchpad, to try that one).
//
//   tavik-history-seed [varied | steady | many [COUNT] | cyrillic | mixed | huge] [--audio]
//                      [--replace]
//   tavik-history-seed pad [MEGABYTES] [--replace]
//
//   varied   a few days of short, long, multi-line and non-Latin dictations (the default)
//   steady   two weeks of dictation into ten applications
//   many     COUNT dictations (default 5000, the history's cap), 37 minutes apart
//   cyrillic 5000 dictations of about 1,500 Cyrillic characters
//   mixed    the same in a mix of scripts, emoji sequences and combining marks
//   huge     the cyrillic history with one dictation of about 5 MB as the newest
//   pad      a scratchpad of one paragraph of Cyrillic sentences, MEGABYTES (default 20) of UTF-8
//   --audio  keeps a short audio file for every other dictation, so rows can play it
//   --replace  writes over a history that is already there (otherwise the tool refuses:
//              that file holds what the user said)
//
// The folders follow $XDG_DATA_HOME as the application does; point it somewhere else to keep
// the real history out of reach.
#include "app/stores/audio_store.h"
#include "app/stores/history.h"
#include "platform/folders.h"
#include "tools/history-seed/history_seed.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QTextStream>

#include <vector>

namespace {

int usage(QTextStream& err) {
    err << "usage: tavik-history-seed [varied | steady | many [COUNT] | cyrillic | mixed | huge] "
           "[--audio] [--replace]\n"
           "       tavik-history-seed pad [MEGABYTES] [--replace]\n";
    return 2;
}

// True, said on `err`, when `file` holds something and the user did not ask to replace it: it is
// what they said or wrote.
bool keepsWhatIsThere(const QString& file, bool replace, QTextStream& err) {
    if (QFileInfo::exists(file) && !replace) {
        err << file << " already exists; --replace writes over it\n";
        return true;
    }
    return false;
}

// Writes the scratchpad file as the pad's store keeps it: UTF-8 and nothing else.
int writePad(QStringList& args, bool replace, QTextStream& out, QTextStream& err) {
    bool ok = true;
    const int megabytes = args.isEmpty() ? 20 : args.takeFirst().toInt(&ok);
    if (!ok || megabytes < 1 || megabytes > 500 || !args.isEmpty()) {
        return usage(err);
    }
    const QString folder = tavik::platform::Folders::fromEnvironment().data;
    const QString file = tavik::platform::joinPath(folder, "scratchpad.txt");
    if (keepsWhatIsThere(file, replace, err)) {
        return 1;
    }
    // Cyrillic letters take two bytes of UTF-8, the spaces between words one.
    const QByteArray text =
        tavik::seed::longText(tavik::seed::cyrillicWords(), qsizetype(megabytes) * 545'000, 5)
            .toUtf8();
    QSaveFile pad(file);
    if (!QDir().mkpath(folder) ||
        !QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner) ||
        !pad.open(QIODevice::WriteOnly) ||
        !pad.setPermissions(QFile::ReadOwner | QFile::WriteOwner) || pad.write(text) < 0 ||
        !pad.commit()) {
        err << "could not write " << file << "\n";
        return 1;
    }
    out << "wrote " << text.size() << " bytes to " << file << "\n";
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    QTextStream err(stderr);
    QStringList args = app.arguments().mid(1);
    const bool audio = args.removeAll("--audio") > 0;
    const bool replace = args.removeAll("--replace") > 0;
    const QString kind = args.isEmpty() ? QStringLiteral("varied") : args.takeFirst();

    const QDateTime now = QDateTime::currentDateTime();
    QList<tavik::HistoryEntry> entries;
    if (kind == "varied") {
        entries = tavik::seed::variedHistory(now);
    } else if (kind == "steady") {
        entries = tavik::seed::steadyHistory(now);
    } else if (kind == "pad") {
        return writePad(args, replace, out, err);
    } else if (kind == "cyrillic" || kind == "mixed" || kind == "huge") {
        entries = tavik::seed::historyOfKind(kind, now);
    } else if (kind == "many") {
        int count = int(tavik::History::maxEntries);
        if (!args.isEmpty()) {
            bool ok = false;
            count = args.takeFirst().toInt(&ok);
            if (!ok || count < 1 || count > tavik::History::maxEntries) {
                err << "COUNT must be 1 to " << tavik::History::maxEntries << "\n";
                return 2;
            }
        }
        entries = tavik::seed::manyDictations(count, now);
    } else {
        return usage(err);
    }
    if (!args.isEmpty()) {
        return usage(err);
    }

    const QString folder = tavik::platform::Folders::fromEnvironment().data;
    const QString file = tavik::platform::joinPath(folder, "history.json");
    if (keepsWhatIsThere(file, replace, err)) {
        return 1;
    }
    if (!tavik::seed::writeHistoryFile(entries)) {
        err << "could not write " << file << "\n";
        return 1;
    }
    int kept = 0;
    if (audio) {
        tavik::AudioStore store(folder);
        const std::vector<float> samples(8000, 0.2f); // half a second of a steady tone level
        for (qsizetype i = 0; i < entries.size(); i += 2) {
            if (!store.save(samples, entries[i].id)) {
                err << "could not write the audio of " << entries[i].id.toString() << "\n";
                return 1;
            }
            ++kept;
        }
    }
    out << "wrote " << entries.size() << " dictations to " << file;
    if (audio) {
        out << " and " << kept << " audio files";
    }
    out << "\n";
    return 0;
}
