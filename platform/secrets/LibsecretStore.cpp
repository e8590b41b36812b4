#include "platform/secrets/LibsecretStore.h"

#include "core/secrets/KeychainItems.h"
#include "platform/secrets/GlibHandles.h"

#include <gio/gio.h>
#include <string>

namespace keldra {

namespace {

const SecretSchema& itemSchema() {
    static const SecretSchema schema = [] {
        SecretSchema s{};
        s.name = "org.orlivane.keldra";
        s.flags = SECRET_SCHEMA_NONE;
        s.attributes[0] = {"service", SECRET_SCHEMA_ATTRIBUTE_STRING};
        s.attributes[1] = {"account", SECRET_SCHEMA_ATTRIBUTE_STRING};
        return s;
    }();
    return schema;
}

std::string describe(const glib::Error& error) {
    return error ? std::string(error->message) : std::string("unknown error");
}

bool isLocked(const glib::Error& error) {
    return error && g_error_matches(error.get(), SECRET_ERROR, SECRET_ERROR_IS_LOCKED);
}

// The attributes of one account's item. The table borrows the strings, which outlive it.
glib::HashTable itemAttributes(const std::string& service, const std::string& account) {
    glib::HashTable table(g_hash_table_new(g_str_hash, g_str_equal));
    g_hash_table_insert(table.get(), const_cast<char*>("service"), const_cast<char*>(service.c_str()));
    g_hash_table_insert(table.get(), const_cast<char*>("account"), const_cast<char*>(account.c_str()));
    return table;
}

// The shared Secret Service proxy with a session open, or none when there is no bus or no service on it.
glib::Object<SecretService> connect(Logger& logger, std::string_view doing) {
    GError* raw = nullptr;
    glib::Object<SecretService> service(secret_service_get_sync(SECRET_SERVICE_OPEN_SESSION, nullptr, &raw));
    const glib::Error error(raw);
    if (!service) {
        logger.log("keyring unavailable (" + std::string(doing) + "): " + describe(error));
        return nullptr;
    }
    // GLib ends the process when the session bus goes away; losing the keyring must not end a backup.
    g_dbus_connection_set_exit_on_close(g_dbus_proxy_get_connection(G_DBUS_PROXY(service.get())), FALSE);
    return service;
}

// Every item of the account, locked ones included; never unlocks (that could prompt).
std::optional<glib::ObjectList> findItems(SecretService* service, const std::string& account,
                                          bool loadSecrets, Logger& logger, std::string_view doing) {
    const std::string serviceName(secretService);
    const glib::HashTable attributes = itemAttributes(serviceName, account);
    const auto flags =
        static_cast<SecretSearchFlags>(SECRET_SEARCH_ALL | (loadSecrets ? SECRET_SEARCH_LOAD_SECRETS : 0));
    GError* raw = nullptr;
    glib::ObjectList items(
        secret_service_search_sync(service, &itemSchema(), attributes.get(), flags, nullptr, &raw));
    const glib::Error error(raw);
    if (error) {
        logger.log("keyring search failed (" + std::string(doing) + "): " + describe(error));
        return std::nullopt;
    }
    return items;
}

} // namespace

std::optional<Bytes> LibsecretStore::read(std::string_view account) {
    const std::string name(account);
    const std::string doing = "reading " + name;
    const auto service = connect(logger_, doing);
    if (!service) {
        return std::nullopt;
    }
    const auto items = findItems(service.get(), name, /*loadSecrets=*/true, logger_, doing);
    if (!items || !*items) {
        return std::nullopt;
    }
    // Only unlocked items have their secret loaded.
    for (GList* node = items->get(); node != nullptr; node = node->next) {
        const glib::Value value(secret_item_get_secret(SECRET_ITEM(node->data)));
        if (value) {
            gsize length = 0;
            const gchar* data = secret_value_get(value.get(), &length);
            const auto* bytes = reinterpret_cast<const std::uint8_t*>(data);
            return Bytes(bytes, bytes + length);
        }
    }
    logger_.log("keyring locked: " + name + " reads as no item");
    return std::nullopt;
}

bool LibsecretStore::write(const Bytes& data, std::string_view account, std::string_view label) {
    const std::string name(account);
    const std::string title(label);
    const std::string doing = "saving " + name;
    const auto service = connect(logger_, doing);
    if (!service) {
        return false;
    }
    const auto items = findItems(service.get(), name, /*loadSecrets=*/false, logger_, doing);
    if (!items) {
        return false;
    }
    const glib::Value value(secret_value_new(reinterpret_cast<const gchar*>(data.data()),
                                             static_cast<gssize>(data.size()), "application/octet-stream"));

    // Update in place first: every unlocked item of the account gets the new data and label.
    bool updated = false;
    bool sawLocked = false;
    for (GList* node = items->get(); node != nullptr; node = node->next) {
        SecretItem* item = SECRET_ITEM(node->data);
        if (secret_item_get_locked(item)) {
            sawLocked = true;
            continue;
        }
        GError* raw = nullptr;
        const bool ok = secret_item_set_secret_sync(item, value.get(), nullptr, &raw) &&
                        secret_item_set_label_sync(item, title.c_str(), nullptr, &raw);
        const glib::Error error(raw);
        if (!ok) {
            logger_.log(isLocked(error) ? "keyring locked: couldn't save " + name
                                        : "keyring update failed (" + doing + "): " + describe(error));
            return false;
        }
        updated = true;
    }
    if (updated) {
        return true;
    }
    if (sawLocked) {
        logger_.log("keyring locked: couldn't save " + name);
        return false;
    }

    // No item yet: add one to the default keyring, but only when it is there and open already.
    GError* raw = nullptr;
    const glib::Object<SecretCollection> collection(secret_collection_for_alias_sync(
        service.get(), SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_NONE, nullptr, &raw));
    const glib::Error aliasError(raw);
    if (!collection) {
        logger_.log(aliasError ? "keyring unavailable (" + doing + "): " + describe(aliasError)
                               : "keyring unavailable (" + doing + "): no default keyring");
        return false;
    }
    if (secret_collection_get_locked(collection.get())) {
        logger_.log("keyring locked: couldn't save " + name);
        return false;
    }
    const std::string serviceName(secretService);
    const glib::HashTable attributes = itemAttributes(serviceName, name);
    raw = nullptr;
    const glib::Object<SecretItem> created(
        secret_item_create_sync(collection.get(), &itemSchema(), attributes.get(), title.c_str(), value.get(),
                                SECRET_ITEM_CREATE_REPLACE, nullptr, &raw));
    const glib::Error createError(raw);
    if (!created) {
        logger_.log(isLocked(createError) ? "keyring locked: couldn't save " + name
                                          : "keyring add failed (" + doing + "): " + describe(createError));
        return false;
    }
    return true;
}

bool LibsecretStore::remove(std::string_view account) {
    const std::string name(account);
    const std::string doing = "deleting " + name;
    const auto service = connect(logger_, doing);
    if (!service) {
        return false;
    }
    const auto items = findItems(service.get(), name, /*loadSecrets=*/false, logger_, doing);
    if (!items) {
        return false;
    }
    for (GList* node = items->get(); node != nullptr; node = node->next) {
        SecretItem* item = SECRET_ITEM(node->data);
        if (secret_item_get_locked(item)) {
            logger_.log("keyring locked: couldn't delete " + name);
            return false;
        }
        GError* raw = nullptr;
        const bool ok = secret_item_delete_sync(item, nullptr, &raw);
        const glib::Error error(raw);
        if (!ok) {
            logger_.log(isLocked(error) ? "keyring locked: couldn't delete " + name
                                        : "keyring delete failed (" + doing + "): " + describe(error));
            return false;
        }
    }
    return true;
}

} // namespace keldra
