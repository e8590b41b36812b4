#include "tests/app/filework/FileCallRecorder.h"

#include <atomic>
#include <cstdio>
#include <dlfcn.h>
#include <sys/stat.h>
#include <unistd.h>

namespace keldra::test {

namespace {

std::atomic<FileCallRecorder*> active{nullptr};

template <class Function> Function realFunction(const char* name) {
    return reinterpret_cast<Function>(::dlsym(RTLD_NEXT, name));
}

} // namespace

FileCallRecorder::FileCallRecorder(std::filesystem::path below)
    : below_(std::move(below)), gui_(std::this_thread::get_id()) {
    active.store(this);
}

FileCallRecorder::~FileCallRecorder() {
    releaseRenames();
    active.store(nullptr);
}

std::vector<FileCallRecorder::Call> FileCallRecorder::onGuiThread() const {
    std::lock_guard lock(mutex_);
    std::vector<Call> found;
    for (const Call& call : calls_) {
        if (call.thread == gui_) {
            found.push_back(call);
        }
    }
    return found;
}

std::vector<FileCallRecorder::Call> FileCallRecorder::elsewhere() const {
    std::lock_guard lock(mutex_);
    std::vector<Call> found;
    for (const Call& call : calls_) {
        if (call.thread != gui_) {
            found.push_back(call);
        }
    }
    return found;
}

void FileCallRecorder::holdRenames() {
    std::lock_guard lock(mutex_);
    holding_ = true;
}

void FileCallRecorder::waitForHeldRename() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return held_ > 0; });
}

void FileCallRecorder::releaseRenames() {
    {
        std::lock_guard lock(mutex_);
        holding_ = false;
    }
    changed_.notify_all();
}

bool FileCallRecorder::below(const char* path) const {
    const std::string text = path ? path : "";
    const std::string folder = below_.string() + "/";
    return text.compare(0, folder.size(), folder) == 0;
}

void FileCallRecorder::noteDescriptorCall(const char* name) {
    if (FileCallRecorder* recorder = active.load()) {
        std::lock_guard lock(recorder->mutex_);
        recorder->calls_.push_back({name, {}, std::this_thread::get_id()});
    }
}

void FileCallRecorder::notePathCall(const char* name, const char* path) {
    if (FileCallRecorder* recorder = active.load(); recorder && recorder->below(path)) {
        std::lock_guard lock(recorder->mutex_);
        recorder->calls_.push_back({name, path, std::this_thread::get_id()});
    }
}

void FileCallRecorder::passRename(const char* path) {
    FileCallRecorder* recorder = active.load();
    if (!recorder || !recorder->below(path)) {
        return;
    }
    std::unique_lock lock(recorder->mutex_);
    if (!recorder->holding_) {
        return;
    }
    ++recorder->held_;
    recorder->changed_.notify_all();
    recorder->changed_.wait(lock, [recorder] { return !recorder->holding_; });
}

} // namespace keldra::test

// The interposed calls: this program's definitions come before the C library's for every caller in the
// process, the libraries included.
using keldra::test::FileCallRecorder;
using keldra::test::realFunction;

extern "C" {

int fsync(int fd) {
    static const auto real = realFunction<int (*)(int)>("fsync");
    FileCallRecorder::noteDescriptorCall("fsync");
    return real(fd);
}

int fdatasync(int fd) {
    static const auto real = realFunction<int (*)(int)>("fdatasync");
    FileCallRecorder::noteDescriptorCall("fdatasync");
    return real(fd);
}

int syncfs(int fd) noexcept {
    static const auto real = realFunction<int (*)(int)>("syncfs");
    FileCallRecorder::noteDescriptorCall("syncfs");
    return real(fd);
}

int rename(const char* from, const char* to) noexcept {
    static const auto real = realFunction<int (*)(const char*, const char*)>("rename");
    FileCallRecorder::notePathCall("rename", to);
    FileCallRecorder::passRename(to);
    return real(from, to);
}

int renameat(int fromFolder, const char* from, int toFolder, const char* to) noexcept {
    static const auto real = realFunction<int (*)(int, const char*, int, const char*)>("renameat");
    FileCallRecorder::notePathCall("renameat", to);
    FileCallRecorder::passRename(to);
    return real(fromFolder, from, toFolder, to);
}

int stat(const char* path, struct stat* status) noexcept {
    static const auto real = realFunction<int (*)(const char*, struct stat*)>("stat");
    FileCallRecorder::notePathCall("stat", path);
    return real(path, status);
}

int lstat(const char* path, struct stat* status) noexcept {
    static const auto real = realFunction<int (*)(const char*, struct stat*)>("lstat");
    FileCallRecorder::notePathCall("lstat", path);
    return real(path, status);
}

} // extern "C"
