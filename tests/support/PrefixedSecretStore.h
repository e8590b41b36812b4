#pragma once

#include "core/secrets/SecretStore.h"

#include <string>

namespace keldra::test {

// Keeps a test's items apart from every other test's in one shared keyring: each account name gets the
// prefix, everything else goes to the real store unchanged.
class PrefixedSecretStore final : public SecretStore {
public:
    PrefixedSecretStore(SecretStore& inner, std::string prefix) : inner_(inner), prefix_(std::move(prefix)) {}

    std::optional<Bytes> read(std::string_view account) override { return inner_.read(name(account)); }
    bool write(const Bytes& data, std::string_view account, std::string_view label) override {
        return inner_.write(data, name(account), label);
    }
    bool remove(std::string_view account) override { return inner_.remove(name(account)); }

    std::string name(std::string_view account) const { return prefix_ + std::string(account); }

private:
    SecretStore& inner_;
    std::string prefix_;
};

} // namespace keldra::test
