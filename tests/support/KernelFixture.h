#pragma once
// A test on a fresh kernel: a temporary HOME, registry and program folder,
// a new event log and the settings read from them. For tests that link the
// kernel.
#include "TestEnv.h"

#include "kernel/Logging.h"
#include "kernel/Settings.h"

#include <gtest/gtest.h>

namespace qxtest {

class KernelFixture : public ::testing::Test {
protected:
    ScopedHome home;
    void SetUp() override
    {
        SetProgramDirectory(home.programDir());
        InitEventLog("test");
        LoadSettings();
    }
};

} // namespace qxtest
