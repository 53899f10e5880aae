// The fixture of the window manager's tests: a fresh machine and window
// manager for each test, with the message-sequence log and matcher.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include "platform/core/Machine.h"
#include "platform/user/WindowManager.h"
#include "MessageSequence.h"
#include "TempMachine.h"

namespace nv::testing {

// A fresh machine with a fresh window manager for each test.
class UserTest : public ::testing::Test {
protected:
    void SetUp() override {
        nv::user::reset();
        MessageLog::current().clear();
    }
    void TearDown() override { nv::user::reset(); }
    TempMachine machine_;
};

}  // namespace nv::testing
