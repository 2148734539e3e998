// The keychain on the freedesktop Secret Service (gnome-keyring, KWallet) through libsecret.
#include "platform/keychain.h"

#include "platform/log_sink.h"

// GLib names a struct member "signals", which Qt defines as a macro.
#pragma push_macro("signals")
#undef signals
#include <libsecret/secret.h>
#pragma pop_macro("signals")

#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace tavik::platform {

namespace {

// Items match on the two attributes alone, so a value stored with the desktop's own tool
// (`secret-tool store --label=Tavik service com.trelvanic.tavik account licenseKey`) is found.
const SecretSchema* schema() {
    static const SecretSchema tavikSchema = [] {
        SecretSchema s{};
        s.name = Keychain::service;
        s.flags = SECRET_SCHEMA_DONT_MATCH_NAME;
        s.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
        s.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
        s.attributes[2] = {nullptr, SECRET_SCHEMA_ATTRIBUTE_STRING};
        return s;
    }();
    return &tavikSchema;
}

// A failed call may come from a cached connection to a secret service that has since gone
// (the daemon restarted); dropping it makes the next call connect afresh.
void forgetConnectionAfter(GError*& error) {
    if (error != nullptr) {
        g_clear_error(&error);
        secret_service_disconnect();
    }
}

struct CancellableDeleter {
    void operator()(GCancellable* cancellable) const { g_object_unref(cancellable); }
};

// Runs one blocking store call on its own thread and waits at most `Keychain::callLimit`. When
// the limit passes the call is cancelled and left to end by itself; the caller goes on with no
// value. The call owns everything it touches through the shared state.
template <typename Result>
std::optional<Result> runBounded(const char* what, std::function<Result(GCancellable*)> call) {
    struct Shared {
        std::mutex mutex;
        std::condition_variable finished;
        std::optional<Result> result;
        std::unique_ptr<GCancellable, CancellableDeleter> cancellable{g_cancellable_new()};
    };
    auto shared = std::make_shared<Shared>();
    std::thread([shared, call = std::move(call)] {
        Result result = call(shared->cancellable.get());
        const std::lock_guard lock(shared->mutex);
        shared->result = std::move(result);
        shared->finished.notify_all();
    }).detach();

    std::unique_lock lock(shared->mutex);
    if (!shared->finished.wait_for(lock, Keychain::callLimit,
                                   [&] { return shared->result.has_value(); })) {
        g_cancellable_cancel(shared->cancellable.get());
        logLine(QStringLiteral("keychain: %1 got no answer from the secret service — giving up")
                    .arg(QLatin1String(what)));
        return std::nullopt;
    }
    return std::move(shared->result);
}

void clearItem(const QByteArray& account, GCancellable* cancellable) {
    GError* error = nullptr;
    secret_password_clear_sync(schema(), cancellable, &error, "service", Keychain::service,
                               "account", account.constData(), nullptr);
    forgetConnectionAfter(error);
}

} // namespace

void Keychain::set(const QString& value, const QString& account) {
    const QByteArray name = account.toUtf8();
    const QByteArray secret = value.toUtf8();
    runBounded<bool>("set", [name, secret](GCancellable* cancellable) {
        clearItem(name, cancellable);
        if (secret.isEmpty()) {
            return true;
        }
        const QByteArray label = QByteArray("Tavik: ") + name;
        GError* error = nullptr;
        const gboolean stored = secret_password_store_sync(
            schema(), SECRET_COLLECTION_DEFAULT, label.constData(), secret.constData(), cancellable,
            &error, "service", Keychain::service, "account", name.constData(), nullptr);
        forgetConnectionAfter(error);
        return stored == TRUE;
    });
}

std::optional<QString> Keychain::get(const QString& account) {
    const QByteArray name = account.toUtf8();
    auto found = runBounded<std::optional<QString>>(
        "get", [name](GCancellable* cancellable) -> std::optional<QString> {
            GError* error = nullptr;
            gchar* secret = secret_password_lookup_sync(schema(), cancellable, &error, "service",
                                                        Keychain::service, "account",
                                                        name.constData(), nullptr);
            forgetConnectionAfter(error);
            if (secret == nullptr) {
                return std::nullopt;
            }
            std::optional<QString> value;
            if (secret[0] != '\0' && g_utf8_validate(secret, -1, nullptr)) {
                value = QString::fromUtf8(secret);
            }
            secret_password_free(secret);
            return value;
        });
    return found ? *found : std::nullopt;
}

void Keychain::remove(const QString& account) {
    const QByteArray name = account.toUtf8();
    runBounded<bool>("remove", [name](GCancellable* cancellable) {
        clearItem(name, cancellable);
        return true;
    });
}

} // namespace tavik::platform
