#pragma once

#include "app/stores/audio_store.h"
#include "app/stores/preferences.h"
#include "platform/activation_policy.h"
#include "platform/defaults_store.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <memory>

namespace tavik::test {

// Settings on a private tree: a defaults file, a data folder with the audio archive, a home
// and a resources folder, all below one temporary folder.
class PreferencesTest : public ::testing::Test {
protected:
    QTemporaryDir root{QDir::homePath() + "/prefs-XXXXXX"};
    QString defaultsPath = root.path() + "/config/Tavik/defaults.json";
    platform::Folders folders{root.path() + "/config/Tavik", root.path() + "/data/Tavik",
                              root.path() + "/state/Tavik", root.path() + "/home"};
    QString resources = root.path() + "/resources";
    platform::DefaultsStore defaults{defaultsPath};
    platform::ActivationPolicyHook activationPolicy;
    AudioStore audioStore{folders.data};

    // A new settings object, as a fresh run of the program would create it.
    std::unique_ptr<Preferences> open() {
        return std::make_unique<Preferences>(
            Preferences::Environment{defaults, folders, resources, activationPolicy, audioStore});
    }

    void writeDefaults(const QByteArray& json) {
        QDir().mkpath(folders.config);
        QFile file(defaultsPath);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
        file.write(json);
    }

    // The bindings value as the store keeps data.
    void writeBindings(const QByteArray& text) {
        writeDefaults(R"({"bindings":{"$data":")" + text.toBase64() + R"("}})");
    }

    QJsonObject storedObject() const {
        QFile file(defaultsPath);
        return file.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(file.readAll()).object()
                                              : QJsonObject();
    }

    void touch(const QString& path) {
        QDir().mkpath(QFileInfo(path).absolutePath());
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
};

} // namespace tavik::test
