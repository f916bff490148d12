// SPDX-License-Identifier: GPL-3.0-or-later
// A window over the scripted device library.
#pragma once

#include "fake_device.h"
#include "window_harness.h"

// A window over the scripted device library, reset for every test.
class WindowTest : public WindowHarness
{
protected:
    void SetUp() override
    {
        fake::Device::instance().reset();
        WindowHarness::SetUp();
    }

    fake::Device &device() { return fake::Device::instance(); }

    void connectDevice()
    {
        click("pushButtonSerialConnect");
        ASSERT_TRUE(device().isOpen());
    }
};
