#include "shortcuts/HotKeyBackend.h"

namespace {

class HotKeyBackendNull final : public HotKeyBackend {
public:
    std::optional<Ref> registerHotKey(quint32, quint32, HotKeyIdentifier) override {
        return std::nullopt;
    }
    void unregisterHotKey(Ref) override {}
    HotKeyService service() const override { return HotKeyService::none; }
};

} // namespace

std::unique_ptr<HotKeyBackend> makeHotKeyBackendNull() {
    return std::make_unique<HotKeyBackendNull>();
}
