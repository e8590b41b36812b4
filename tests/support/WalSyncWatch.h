#pragma once

#include <filesystem>

namespace keldra::test {

// Watches what SQLite writes to each database's write-ahead log and when it syncs it, through a file layer
// (a VFS) over the default one, made the default for databases opened afterwards. Installing it again does
// nothing; it stays for the rest of the test program and changes no byte written.
void installWalSyncWatch();

// Whether bytes were written to the write-ahead log of `database` since that log was last synced: a power
// cut now could take away the commits they hold.
bool walHasUnsyncedWrites(const std::filesystem::path& database);

} // namespace keldra::test
