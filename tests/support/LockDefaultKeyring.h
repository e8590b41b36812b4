#pragma once
// Locks the session's default keyring, as a user's screen lock would; nothing opens it again without a
// prompt. For tests that run in a session of their own (the lock outlives the test).

#include "platform/secrets/GlibHandles.h"

#include <gtest/gtest.h>
#include <libsecret/secret.h>

namespace keldra::test {

inline void lockDefaultKeyring() {
    GError* raw = nullptr;
    const glib::Object<SecretService> service(secret_service_get_sync(SECRET_SERVICE_NONE, nullptr, &raw));
    glib::Error error(raw);
    ASSERT_TRUE(service) << error->message;
    raw = nullptr;
    const glib::Object<SecretCollection> collection(secret_collection_for_alias_sync(
        service.get(), SECRET_COLLECTION_DEFAULT, SECRET_COLLECTION_NONE, nullptr, &raw));
    error.reset(raw);
    ASSERT_TRUE(collection) << (error ? error->message : "no default keyring");
    GList* objects = g_list_append(nullptr, collection.get());
    raw = nullptr;
    const int locked = secret_service_lock_sync(service.get(), objects, nullptr, nullptr, &raw);
    g_list_free(objects);
    error.reset(raw);
    ASSERT_EQ(locked, 1) << (error ? error->message : "");
}

} // namespace keldra::test
