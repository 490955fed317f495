#pragma once
// A fresh kernel for each test: temporary HOME, registry and program folder,
// a new event log and settings loaded from the empty registry.
#include "kernel/Logging.h"
#include "kernel/Settings.h"
#include "platform/Registry.h"

#include "TestEnv.h"

#include <gtest/gtest.h>

class KernelFixture : public ::testing::Test {
protected:
    qxtest::ScopedHome home;

    void SetUp() override
    {
        SetProgramDirectory(home.programDir());
        InitEventLog("qxrel32 test");
        LoadSettings();
    }

    std::string logFile() const { return home.programDir() + "debug.log"; }
    std::string logText() const { return qxtest::ReadFile(logFile()); }
};
