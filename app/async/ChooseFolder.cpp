#include "app/async/ChooseFolder.h"

#include <coroutine>
#include <memory>

namespace keldra {

namespace {

class ChoiceAwaiter {
public:
    ChoiceAwaiter(FolderChooser& chooser, std::string title, std::string prompt)
        : chooser_(chooser), title_(std::move(title)), prompt_(std::move(prompt)) {}

    bool await_ready() const noexcept { return false; }

    void await_suspend(std::coroutine_handle<> handle) {
        // The chooser may answer at once, inside chooseFolder, or later.
        auto answer = answer_;
        chooser_.chooseFolder(title_, prompt_, [answer, handle](std::optional<std::filesystem::path> folder) {
            *answer = std::move(folder);
            handle.resume();
        });
    }

    std::optional<std::filesystem::path> await_resume() { return std::move(*answer_); }

private:
    FolderChooser& chooser_;
    std::string title_;
    std::string prompt_;
    std::shared_ptr<std::optional<std::filesystem::path>> answer_ =
        std::make_shared<std::optional<std::filesystem::path>>();
};

} // namespace

QCoro::Task<std::optional<std::filesystem::path>> chooseFolder(FolderChooser& chooser, std::string title,
                                                               std::string prompt, WorkGuard guard) {
    guard.check();
    auto folder = co_await ChoiceAwaiter(chooser, std::move(title), std::move(prompt));
    guard.check();
    co_return folder;
}

} // namespace keldra
