// The application's rewrite service: wired to the settings and the keychain.
#include "app/stores/rewrite_service.h"
#include "app/stores/transforms.h"

#include "platform/defaults_store.h"
#include "platform/keychain.h"

namespace tavik {

namespace {

const QString builtInEndpoint = QStringLiteral("https://rewrite.invalid/");

QString storedBaseUrl() {
    return platform::DefaultsStore::shared()
        .string(QStringLiteral("rewriteServiceURL"))
        .value_or(builtInEndpoint);
}

} // namespace

RewriteService& RewriteService::shared() {
    static RewriteService* instance = new RewriteService(
        &storedBaseUrl,
        [] { return platform::Keychain::get(QStringLiteral("licenseKey")).value_or(QString()); },
        builtInEndpoint);
    return *instance;
}

void Transforms::applyAI(const QString& instruction, const QString& text, QObject* receiver,
                         RewriteService::Completion done) {
    RewriteService::shared().rewrite(instruction, text, receiver, std::move(done));
}

} // namespace tavik
