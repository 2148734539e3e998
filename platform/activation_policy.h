#pragma once

#include <functional>
#include <optional>

namespace tavik::platform {

// Whether the application presents itself as a regular window application (its main window
// shows in the task bar) or as an accessory that lives in the tray only.
enum class ActivationPolicy { regular, accessory };

// Where settings send the activation policy. Until the shell is up the hook only remembers the
// latest request; the shell installs an applier, which gets the remembered request at once and
// every later one. Used on the main thread.
class ActivationPolicyHook {
public:
    static ActivationPolicyHook& shared();

    void request(ActivationPolicy policy);
    std::optional<ActivationPolicy> requested() const { return requested_; }

    void setApplier(std::function<void(ActivationPolicy)> applier);

private:
    std::optional<ActivationPolicy> requested_;
    std::function<void(ActivationPolicy)> applier_;
};

} // namespace tavik::platform
