// SPDX-License-Identifier: GPL-3.0-or-later
#include "calibration_panel.h"

#include "calibration/calibration_sets.h"
#include "calibration/calibration_text.h"
#include "connection/closed_port.h"
#include "outcome/outcome_texts.h"
#include "recording/stream_recording.h"
#include "ui_mainwindow.h"

#include <QDebug>

namespace calibration {

CalibrationPanel::CalibrationPanel(Ui_MainWindow &ui, IMUserial::IMUSerial &device,
                                   recording::StreamRecording &stream, prompts::Prompter prompter)
    : ui_(ui), device_(device), stream_(stream), prompter_(std::move(prompter))
{
}

bool CalibrationPanel::confirmed(const QString &question) const
{
    return prompter_.ask("Question", question);
}

template <class Operation>
void CalibrationPanel::sendWhenOpen(Operation &&operation, const outcome::Texts &texts)
{
    if (connection::deviceOpen(device_, connection::kLoggedAndDebugged, prompter_))
        prompter_.sendAndLog(operation, texts);
}

template <class Operation>
void CalibrationPanel::confirmAndSend(const QString &question, Operation &&operation,
                                      const outcome::Texts &texts)
{
    if (confirmed(question))
        sendWhenOpen(operation, texts);
}

void CalibrationPanel::enterMode()
{
    sendWhenOpen([&] { return device_.enterCalibrationMode(); }, outcome::kEnterCalibrationMode);
}

void CalibrationPanel::exitMode()
{
    sendWhenOpen([&] { return device_.exitCalibrationMode(); }, outcome::kExitCalibrationMode);
}

void CalibrationPanel::readStoredSets()
{
    if (!connection::deviceOpen(device_, connection::kLogged, prompter_))
        return;
    stream_.stopForExchange();
    ui_.plainTextEdit_calibration->clear();
    const calibration::StoredSets sets = calibration::readStoredSets(device_);
    ui_.plainTextEdit_calibration->setPlainText(
        calibration::readout(sets.imu1, sets.imu2, sets.mag));
    if (sets.imu1)
        qDebug() << "Gyr Bias: " << sets.imu1->gyr_bias[0] << sets.imu1->gyr_bias[1]
                 << sets.imu1->gyr_bias[2];
}

void CalibrationPanel::clearStoredSets()
{
    if (!confirmed("Do you want to\"ClearCalibationData? \""))
        return;
    if (!connection::deviceOpen(device_, connection::kDebugged, prompter_))
        return;
    stream_.stopForExchange();
    ui_.plainTextEdit_calibration->clear();
    const bool cleared = calibration::writeAndVerify(device_, calibration::neutralSets());
    ui_.plainTextEdit_calibration->setPlainText(
        outcome::textFor(cleared, outcome::kClearCalibration));
}

void CalibrationPanel::startGyroBias()
{
    confirmAndSend(
        "Do you want to\"startGyrBiasCalibration? \"",
        [&] { return device_.startGyrBiasCalibration(); }, outcome::kStartGyroBias);
}

void CalibrationPanel::stopGyroBias()
{
    confirmAndSend(
        "Do you want to\"StopGyrBiasCalib? \"", [&] { return device_.stopGyrBiasCalibration(); },
        outcome::kStopGyroBias);
}

// The offset cannot be read back, so where the library reports nothing the
// success text is the only outcome.
void CalibrationPanel::recordQuaternionOffset()
{
    confirmAndSend(
        "Do you want to\"RecordQuaternionOffset? \"",
        [&] { return device_.RecordQuaternionOffset(); }, outcome::kRecordQuaternionOffset);
}

void CalibrationPanel::resetQuaternionOffset()
{
    confirmAndSend(
        "Do you want to\"ResetQuaternionOffset? \"",
        [&] { return device_.ResetQuaternionOffset(); }, outcome::kResetQuaternionOffset);
}

} // namespace calibration
