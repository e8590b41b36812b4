#pragma once

#include <QObject>
#include <QPointer>
#include <cstdint>
#include <exception>

namespace keldra {

// Counts the accounts loaded into one owner. Bumped whenever the signed-in account's state is dropped or
// replaced, so work started for the previous account can tell that its results no longer belong.
class AccountGeneration {
public:
    std::uint64_t current() const { return value_; }
    void bump() { ++value_; }

private:
    std::uint64_t value_ = 0;
};

// Thrown where a coroutine resumes after its owner is gone or its account was replaced. It unwinds the
// coroutine (and every coroutine awaiting it) without touching the owner; the outermost task drops it.
class StaleWork final : public std::exception {
public:
    const char* what() const noexcept override { return "work outlived its owner"; }
};

// What a coroutine checks after each wait before it goes on. Created and checked on the owner's thread.
class WorkGuard {
public:
    // Goes on while `owner` lives.
    static WorkGuard forOwner(QObject* owner) { return WorkGuard(owner, nullptr); }
    // Goes on while `owner` lives and still holds the account that was loaded when the guard was made.
    // `generation` belongs to the owner.
    static WorkGuard forAccount(QObject* owner, const AccountGeneration& generation) {
        return WorkGuard(owner, &generation);
    }

    bool alive() const {
        if (owner_.isNull()) {
            return false;
        }
        return generation_ == nullptr || generation_->current() == started_;
    }
    explicit operator bool() const { return alive(); }
    // The owner, or null once it is gone.
    QObject* owner() const { return owner_.data(); }
    void check() const {
        if (!alive()) {
            throw StaleWork{};
        }
    }

private:
    WorkGuard(QObject* owner, const AccountGeneration* generation)
        : owner_(owner), generation_(generation), started_(generation ? generation->current() : 0) {}

    QPointer<QObject> owner_;
    // Read only while owner_ lives: it is a member of the owner.
    const AccountGeneration* generation_;
    std::uint64_t started_;
};

} // namespace keldra
