#include "platform/activation_policy.h"

namespace tavik::platform {

ActivationPolicyHook& ActivationPolicyHook::shared() {
    static ActivationPolicyHook hook;
    return hook;
}

void ActivationPolicyHook::request(ActivationPolicy policy) {
    requested_ = policy;
    if (applier_) {
        applier_(policy);
    }
}

void ActivationPolicyHook::setApplier(std::function<void(ActivationPolicy)> applier) {
    applier_ = std::move(applier);
    if (applier_ && requested_) {
        applier_(*requested_);
    }
}

} // namespace tavik::platform
