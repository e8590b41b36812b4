#pragma once

#include <QCoreApplication>
#include <cstdlib>
#include <gtest/gtest.h>

namespace keldra::test {

// A test with Qt's application object, which D-Bus, socket notifiers and timers need; made and ended with
// each test.
class QtApplicationTest : public ::testing::Test {
private:
    int argc_ = 1;
    char program_[5] = "test";
    char* argv_[2] = {program_, nullptr};

protected:
    QCoreApplication app_{argc_, argv_};
};

// The same on the session bus (the private one of ./test); skipped where there is none.
class SessionBusTest : public QtApplicationTest {
protected:
    void SetUp() override {
        if (std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr) {
            GTEST_SKIP() << "needs a session bus (run under scripts/with-session-services)";
        }
    }
};

} // namespace keldra::test
