#pragma once

#include "core/platform/FileRevealer.h"
#include "core/platform/FolderChooser.h"
#include "core/platform/LaunchContext.h"
#include "core/platform/SleepWatcher.h"
#include "core/platform/UrlOpener.h"
#include "core/platform/VolumeWatcher.h"

#include <deque>
#include <string>
#include <vector>

namespace keldra::test {

// Doubles of the desktop seams: tests play the desktop's part (wake, mount, the user's folder choice) and
// read what the application asked of it. Used on the test's thread only.

class FakeSleepWatcher final : public SleepWatcher {
public:
    void setOnWake(std::function<void()> onWake) override { onWake_ = std::move(onWake); }
    void wake() {
        if (onWake_) {
            onWake_();
        }
    }
    bool watched() const { return static_cast<bool>(onWake_); }

private:
    std::function<void()> onWake_;
};

class FakeVolumeWatcher final : public VolumeWatcher {
public:
    void setOnChange(std::function<void(const VolumeChange&)> onChange) override {
        onChange_ = std::move(onChange);
        ++registrations_;
    }
    void mounted(std::filesystem::path path) { send({VolumeChange::Kind::mounted, std::move(path)}); }
    void unmounted(std::filesystem::path path) { send({VolumeChange::Kind::unmounted, std::move(path)}); }
    int registrations() const { return registrations_; }

private:
    void send(const VolumeChange& change) {
        if (onChange_) {
            onChange_(change);
        }
    }
    std::function<void(const VolumeChange&)> onChange_;
    int registrations_ = 0;
};

class RecordingUrlOpener final : public UrlOpener {
public:
    void openUrl(const std::string& url) override { opened.push_back(url); }
    std::vector<std::string> opened;
};

class RecordingFileRevealer final : public FileRevealer {
public:
    void reveal(const std::filesystem::path& path) override { revealed.push_back(path); }
    std::vector<std::filesystem::path> revealed;
};

// Answers with the queued choices in order (no folder once they run out). With holdAnswers, every request
// waits until answerNext() so a test can act while the dialog is open.
class ScriptedFolderChooser final : public FolderChooser {
public:
    struct Request {
        std::string title;
        std::string prompt;
    };

    void chooseFolder(const std::string& title, const std::string& prompt, Done done) override {
        requests.push_back({title, prompt});
        pending_.push_back(std::move(done));
        if (!holdAnswers) {
            answerNext();
        }
    }
    // Answers the oldest open request with the next queued choice.
    void answerNext() {
        if (pending_.empty()) {
            return;
        }
        Done done = std::move(pending_.front());
        pending_.pop_front();
        std::optional<std::filesystem::path> choice;
        if (!choices.empty()) {
            choice = std::move(choices.front());
            choices.pop_front();
        }
        done(std::move(choice));
    }
    std::size_t open() const { return pending_.size(); }

    // Several places: answered at once with the next queued list (none once they run out).
    void choosePaths(const FolderChoice& choice, PathsDone done) override {
        pathRequests.push_back(choice);
        std::vector<std::filesystem::path> chosen;
        if (!pathChoices.empty()) {
            chosen = std::move(pathChoices.front());
            pathChoices.pop_front();
        }
        done(std::move(chosen));
    }

    std::deque<std::optional<std::filesystem::path>> choices;
    bool holdAnswers = false;
    std::vector<Request> requests;
    std::deque<std::vector<std::filesystem::path>> pathChoices;
    std::vector<FolderChoice> pathRequests;

private:
    std::deque<Done> pending_;
};

class FixedLaunchContext final : public LaunchContext {
public:
    explicit FixedLaunchContext(bool asLoginItem = false) : asLoginItem_(asLoginItem) {}
    bool launchedAsLoginItem() const override { return asLoginItem_; }

private:
    bool asLoginItem_;
};

} // namespace keldra::test
