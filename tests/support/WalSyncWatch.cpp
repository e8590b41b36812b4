#include "tests/support/WalSyncWatch.h"

#include <map>
#include <mutex>
#include <sqlite3.h>
#include <string>

namespace keldra::test {

namespace {

struct Watch {
    std::mutex mutex;
    // Keyed by the log's file name as SQLite opens it: "<database>-wal".
    std::map<std::string, bool> unsynced;
    sqlite3_vfs* real = nullptr;
    sqlite3_vfs vfs{};
    sqlite3_io_methods methods{};
};

Watch& watch() {
    static Watch instance;
    return instance;
}

// The real file follows this header in the same allocation.
struct WatchedFile {
    sqlite3_file base;
    const char* name;
    bool isLog;
    sqlite3_file* real() { return reinterpret_cast<sqlite3_file*>(this + 1); }
};

WatchedFile* watched(sqlite3_file* file) {
    return reinterpret_cast<WatchedFile*>(file);
}

void markLog(WatchedFile* file, bool unsynced) {
    if (!file->isLog) {
        return;
    }
    std::lock_guard lock(watch().mutex);
    watch().unsynced[file->name] = unsynced;
}

int closeFile(sqlite3_file* file) {
    return watched(file)->real()->pMethods->xClose(watched(file)->real());
}
int readFile(sqlite3_file* file, void* buffer, int amount, sqlite3_int64 offset) {
    return watched(file)->real()->pMethods->xRead(watched(file)->real(), buffer, amount, offset);
}
int writeFile(sqlite3_file* file, const void* buffer, int amount, sqlite3_int64 offset) {
    const int result = watched(file)->real()->pMethods->xWrite(watched(file)->real(), buffer, amount, offset);
    if (result == SQLITE_OK) {
        markLog(watched(file), true);
    }
    return result;
}
int truncateFile(sqlite3_file* file, sqlite3_int64 size) {
    return watched(file)->real()->pMethods->xTruncate(watched(file)->real(), size);
}
int syncFile(sqlite3_file* file, int flags) {
    const int result = watched(file)->real()->pMethods->xSync(watched(file)->real(), flags);
    if (result == SQLITE_OK) {
        markLog(watched(file), false);
    }
    return result;
}
int fileSize(sqlite3_file* file, sqlite3_int64* size) {
    return watched(file)->real()->pMethods->xFileSize(watched(file)->real(), size);
}
int lockFile(sqlite3_file* file, int level) {
    return watched(file)->real()->pMethods->xLock(watched(file)->real(), level);
}
int unlockFile(sqlite3_file* file, int level) {
    return watched(file)->real()->pMethods->xUnlock(watched(file)->real(), level);
}
int checkReservedLock(sqlite3_file* file, int* out) {
    return watched(file)->real()->pMethods->xCheckReservedLock(watched(file)->real(), out);
}
int fileControl(sqlite3_file* file, int op, void* arg) {
    return watched(file)->real()->pMethods->xFileControl(watched(file)->real(), op, arg);
}
int sectorSize(sqlite3_file* file) {
    return watched(file)->real()->pMethods->xSectorSize(watched(file)->real());
}
int deviceCharacteristics(sqlite3_file* file) {
    return watched(file)->real()->pMethods->xDeviceCharacteristics(watched(file)->real());
}
int shmMap(sqlite3_file* file, int page, int size, int extend, void volatile** out) {
    return watched(file)->real()->pMethods->xShmMap(watched(file)->real(), page, size, extend, out);
}
int shmLock(sqlite3_file* file, int offset, int count, int flags) {
    return watched(file)->real()->pMethods->xShmLock(watched(file)->real(), offset, count, flags);
}
void shmBarrier(sqlite3_file* file) {
    watched(file)->real()->pMethods->xShmBarrier(watched(file)->real());
}
int shmUnmap(sqlite3_file* file, int deleteFlag) {
    return watched(file)->real()->pMethods->xShmUnmap(watched(file)->real(), deleteFlag);
}
int fetch(sqlite3_file* file, sqlite3_int64 offset, int amount, void** out) {
    return watched(file)->real()->pMethods->xFetch(watched(file)->real(), offset, amount, out);
}
int unfetch(sqlite3_file* file, sqlite3_int64 offset, void* page) {
    return watched(file)->real()->pMethods->xUnfetch(watched(file)->real(), offset, page);
}

int openFile(sqlite3_vfs*, sqlite3_filename name, sqlite3_file* file, int flags, int* outFlags) {
    WatchedFile* own = watched(file);
    own->base.pMethods = nullptr;
    own->name = name;
    own->isLog = name != nullptr && (flags & SQLITE_OPEN_WAL) != 0;
    const int result = watch().real->xOpen(watch().real, name, own->real(), flags, outFlags);
    if (own->real()->pMethods != nullptr) {
        // The real file's methods are used through ours, so a failed open is still closed through them.
        own->base.pMethods = &watch().methods;
    }
    return result;
}

} // namespace

void installWalSyncWatch() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        Watch& w = watch();
        w.real = sqlite3_vfs_find(nullptr);
        w.methods = sqlite3_io_methods{.iVersion = 3,
                                       .xClose = closeFile,
                                       .xRead = readFile,
                                       .xWrite = writeFile,
                                       .xTruncate = truncateFile,
                                       .xSync = syncFile,
                                       .xFileSize = fileSize,
                                       .xLock = lockFile,
                                       .xUnlock = unlockFile,
                                       .xCheckReservedLock = checkReservedLock,
                                       .xFileControl = fileControl,
                                       .xSectorSize = sectorSize,
                                       .xDeviceCharacteristics = deviceCharacteristics,
                                       .xShmMap = shmMap,
                                       .xShmLock = shmLock,
                                       .xShmBarrier = shmBarrier,
                                       .xShmUnmap = shmUnmap,
                                       .xFetch = fetch,
                                       .xUnfetch = unfetch};
        w.vfs = *w.real;
        w.vfs.szOsFile = static_cast<int>(sizeof(WatchedFile)) + w.real->szOsFile;
        w.vfs.zName = "keldra-wal-sync-watch";
        w.vfs.pNext = nullptr;
        w.vfs.xOpen = openFile;
        sqlite3_vfs_register(&w.vfs, 1);
    });
}

bool walHasUnsyncedWrites(const std::filesystem::path& database) {
    std::lock_guard lock(watch().mutex);
    // SQLite names the log after the database's full path, links resolved.
    std::error_code error;
    const std::filesystem::path full = std::filesystem::weakly_canonical(database, error);
    const auto found = watch().unsynced.find((error ? database : full).string() + "-wal");
    return found != watch().unsynced.end() && found->second;
}

} // namespace keldra::test
