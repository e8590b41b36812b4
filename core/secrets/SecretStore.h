#pragma once

#include "core/Bytes.h"

#include <optional>
#include <string_view>

namespace keldra {

// The secure store for the secrets that must survive a restart (the portal session, the key for unattended
// backups): items of one service, told apart by account name, each with a label. Reads never fail
// loudly; an item that cannot be read (locked, no service) reads as no item.
class SecretStore {
public:
    virtual ~SecretStore() = default;

    // The item's data, or none.
    virtual std::optional<Bytes> read(std::string_view account) = 0;
    // Replaces data and label of an existing item in place, else adds one; true on success.
    virtual bool write(const Bytes& data, std::string_view account, std::string_view label) = 0;
    // Removes every item of the account; true when none is left (also when there was none), false when the
    // store could not be reached or refused (a locked item stays: removing it would prompt).
    virtual bool remove(std::string_view account) = 0;
};

} // namespace keldra
