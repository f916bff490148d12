// SPDX-License-Identifier: GPL-3.0-or-later
// The module's firmware version and serial number, read into the form and
// the serial number written from it.
#pragma once

#include "imuserial.h"
#include "prompts/prompter.h"

#include <optional>

class QLineEdit;
class Ui_MainWindow;

namespace identity {

class IdentityPanel
{
public:
    IdentityPanel(Ui_MainWindow &ui, IMUserial::IMUSerial &device, prompts::Prompter prompter);

    void readVersion();
    void readSerialNumber();
    void writeSerialNumber();

private:
    // Shows what was read in `field` and logs it after `readText`, or clears
    // the field and logs `failedText`.
    void show(const std::optional<QString> &read, QLineEdit &field, const char *readText,
              const char *failedText);

    Ui_MainWindow &ui_;
    IMUserial::IMUSerial &device_;
    prompts::Prompter prompter_;
};

} // namespace identity
