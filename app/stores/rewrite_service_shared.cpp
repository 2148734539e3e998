// The application's rewrite service: wired to the settings and the keychain.
#include "app/stores/rewrite_service.h"
#include "app/stores/transforms.h"

#include "app/stores/preferences.h"
#include "platform/keychain.h"

namespace tavik {

RewriteService& RewriteService::shared() {
    static RewriteService* instance = new RewriteService(
        [] { return Preferences::shared().rewriteServiceURL(); },
        [] { return platform::Keychain::get(QStringLiteral("licenseKey")).value_or(QString()); },
        Preferences::defaultRewriteServiceURL());
    return *instance;
}

void Transforms::applyAI(const QString& instruction, const QString& text, QObject* receiver,
                         RewriteService::Completion done) {
    RewriteService::shared().rewrite(instruction, text, receiver, std::move(done));
}

} // namespace tavik
