#pragma once

#include <condition_variable>
#include <filesystem>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace keldra::test {

// The file calls that make a write durable (fsync, fdatasync, syncfs, rename) and the stats of paths below
// a folder, as the process makes them, with the thread that made each: the real calls are interposed in
// this test program and passed on unchanged. One recorder at a time; it records from its construction
// and takes the constructing thread for the GUI thread.
class FileCallRecorder {
public:
    struct Call {
        std::string name;
        std::string path; // empty for calls on a descriptor
        std::thread::id thread;
    };

    explicit FileCallRecorder(std::filesystem::path below);
    ~FileCallRecorder();
    FileCallRecorder(const FileCallRecorder&) = delete;
    FileCallRecorder& operator=(const FileCallRecorder&) = delete;

    std::vector<Call> onGuiThread() const;
    std::vector<Call> elsewhere() const;

    // Renames of paths below the folder wait until released: a write held half-way.
    void holdRenames();
    void waitForHeldRename();
    void releaseRenames();

    // Called by the interposed functions.
    static void noteDescriptorCall(const char* name);
    static void notePathCall(const char* name, const char* path);
    static void passRename(const char* path);

private:
    bool below(const char* path) const;

    std::filesystem::path below_;
    std::thread::id gui_;
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Call> calls_;
    bool holding_ = false;
    int held_ = 0;
};

} // namespace keldra::test
