#include "app/panes/settings/permissions_model.h"

#include "app/stores/diagnostic_log.h"
#include "platform/accessibility.h"

namespace tavik::panes::settings {

namespace {
// Microphone access is never withheld from applications on this desktop.
bool microphoneAuthorized() {
    return true;
}
} // namespace

PermissionsModel::PermissionsModel(platform::Accessibility& accessibility, QObject* parent)
    : QObject(parent), accessibility_(accessibility), micGranted_(microphoneAuthorized()),
      axGranted_(accessibility_.trusted()) {}

PermissionsModel::PermissionsModel(QObject* parent)
    : PermissionsModel(platform::Accessibility::system(), parent) {}

void PermissionsModel::refresh() {
    micGranted_ = microphoneAuthorized();
    emit micGrantedChanged(micGranted_);
    axGranted_ = accessibility_.trusted();
    emit axGrantedChanged(axGranted_);
}

void PermissionsModel::openAccessibility() {
    slog(QStringLiteral("settings: asked the desktop to switch accessibility on"));
    accessibility_.requestEnabled();
}

} // namespace tavik::panes::settings
