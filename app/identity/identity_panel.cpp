// SPDX-License-Identifier: GPL-3.0-or-later
#include "identity_panel.h"

#include "connection/closed_port.h"
#include "identity/identity_commands.h"
#include "outcome/outcome_texts.h"
#include "ui_mainwindow.h"

namespace identity {

IdentityPanel::IdentityPanel(Ui_MainWindow &ui, IMUserial::IMUSerial &device,
                             prompts::Prompter prompter)
    : ui_(ui), device_(device), prompter_(std::move(prompter))
{
}

void IdentityPanel::show(const std::optional<QString> &read, QLineEdit &field, const char *readText,
                         const char *failedText)
{
    if (!read) {
        field.clear();
        prompter_.log(failedText);
        return;
    }
    field.setText(*read);
    prompter_.log(readText + *read);
}

void IdentityPanel::readVersion()
{
    if (!connection::deviceOpen(device_, connection::kWarned, prompter_))
        return;
    show(identity::readVersion(device_), *ui_.lineEdit_version, outcome::kVersionRead,
         outcome::kVersionFailed);
}

void IdentityPanel::readSerialNumber()
{
    if (!connection::deviceOpen(device_, connection::kWarned, prompter_))
        return;
    show(identity::readSerialNumber(device_), *ui_.lineEdit_SN, outcome::kSerialNumberRead,
         outcome::kSerialNumberReadFailed);
}

void IdentityPanel::writeSerialNumber()
{
    if (!connection::deviceOpen(device_, connection::kWarned, prompter_))
        return;
    if (!prompter_.ask("Question", "Do you want to Write SN"))
        return;
    const QString text = ui_.lineEdit_SN->text();
    if (!identity::isValidSerialNumber(text)) {
        prompter_.error("Invalid Serial Number", "SN号必须为9位大写字母或数字组合！");
        return;
    }
    const bool stored = identity::writeSerialNumber(device_, text);
    prompter_.log(stored ? outcome::kSerialNumberWritten + text
                         : QString(outcome::kSerialNumberWriteFailed));
}

} // namespace identity
