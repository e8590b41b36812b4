#pragma once

#include "tests/support/LocalPortal.h"

#include <gtest/gtest.h>
#include <memory>

namespace keldra::test {

// One local portal per test suite, emptied before every test.
class LocalPortalFixture : public ::testing::Test {
protected:
    static void SetUpTestSuite() { portal_ = std::make_unique<LocalPortal>(); }
    static void TearDownTestSuite() { portal_.reset(); }
    void SetUp() override { portal_->control().reset(); }

    static LocalPortal& portal() { return *portal_; }
    static const std::string& baseUrl() { return portal_->baseUrl(); }
    static LocalPortalControl& control() { return portal_->control(); }

private:
    static inline std::unique_ptr<LocalPortal> portal_;
};

} // namespace keldra::test
