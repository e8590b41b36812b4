#pragma once

#include <glib-object.h>
#include <glib.h>
#include <libsecret/secret.h>
#include <memory>

namespace keldra::glib {

// Owners for the GLib and libsecret objects of the secret store, so every path releases them.
struct ErrorFree {
    void operator()(GError* error) const { g_error_free(error); }
};
struct ObjectUnref {
    void operator()(gpointer object) const { g_object_unref(object); }
};
struct HashTableUnref {
    void operator()(GHashTable* table) const { g_hash_table_unref(table); }
};
struct ObjectListFree {
    void operator()(GList* list) const { g_list_free_full(list, g_object_unref); }
};
struct SecretValueUnref {
    void operator()(SecretValue* value) const { secret_value_unref(value); }
};
struct StringFree {
    void operator()(gchar* text) const { g_free(text); }
};

using Error = std::unique_ptr<GError, ErrorFree>;
template <typename T> using Object = std::unique_ptr<T, ObjectUnref>;
using HashTable = std::unique_ptr<GHashTable, HashTableUnref>;
using ObjectList = std::unique_ptr<GList, ObjectListFree>;
using Value = std::unique_ptr<SecretValue, SecretValueUnref>;
using String = std::unique_ptr<gchar, StringFree>;

} // namespace keldra::glib
