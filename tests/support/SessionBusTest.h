#pragma once

#include "tests/support/QtApp.h"

#include <cstdlib>
#include <gtest/gtest.h>

namespace keldra::test {

// A test on the session bus (the private one of ./test), with the Qt application D-Bus needs; skipped where
// there is no bus.
class SessionBusTest : public ::testing::Test {
protected:
    void SetUp() override {
        if (std::getenv("DBUS_SESSION_BUS_ADDRESS") == nullptr) {
            GTEST_SKIP() << "needs a session bus (run under scripts/with-session-services)";
        }
        qtApp();
    }
};

} // namespace keldra::test
