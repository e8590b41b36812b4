#pragma once

#include "core/seams/Logger.h"
#include "core/secrets/SecretStore.h"

namespace keldra {

// The secret store on the Secret Service (gnome-keyring, KWallet ...) through libsecret: one item per
// account, with attributes service (the application's identifier) and account, binary data and a label.
// Never prompts: a locked keyring or a missing Secret Service reads as no item and fails writes, with
// one diagnostic line each time. Secrets are never kept anywhere else.
class LibsecretStore final : public SecretStore {
public:
    explicit LibsecretStore(Logger& logger) : logger_(logger) {}

    std::optional<Bytes> read(std::string_view account) override;
    bool write(const Bytes& data, std::string_view account, std::string_view label) override;
    bool remove(std::string_view account) override;

private:
    Logger& logger_;
};

} // namespace keldra
