// Calibration mode, the stored calibration sets and the calibration commands.
#include "mainwindow.h"

#include "calibrationtext.h"
#include "commandoutcome.h"
#include "ui_mainwindow.h"

#include <QDebug>
#include <QMessageBox>

#include <cstring>
#include <optional>

// Runs on the library's receive thread; hands the line over through the log.
void MainWindow::CalibrationRecvCallback(IMUserial::sensor_data_calibration *data)
{
    MainWindow *window = pthis;
    window->recorder.recordCalibration(*data);
    if (!window->showMessages)
        return;
    const QString line = calibrationtext::calibrationLine(
        static_cast<displaymodes::DisplayMode>(window->messageDisplayMode.load()), *data);
    if (!line.isNull())
        emit window->writeLog(line);
}

bool MainWindow::confirmed(const QString &question)
{
    return QMessageBoxWindow(MsgQuestion, "Question", question) == QMessageBox::Yes;
}

void MainWindow::stopStreamForCalibrationExchange()
{
    // Unchecked first, so that a refused stop can show the stream still on.
    ui->pushButtonStartRecv->setChecked(false);
    on_pushButtonStartRecv_clicked(false);
}

void MainWindow::on_pushButtonEnterCalibMode_clicked(bool /*checked*/)
{
    if (!deviceOpen(closedport::loggedAndDebugged))
        return;
    sendAndLog([&] { return imuSerial->enterCalibrationMode(); },
               {"Enter Calibration Mode SUCCESS", "Enter Calibration Mode FAIL"});
}

void MainWindow::on_pushButtonExitCalibMode_clicked(bool /*checked*/)
{
    if (!deviceOpen(closedport::loggedAndDebugged))
        return;
    sendAndLog([&] { return imuSerial->exitCalibrationMode(); },
               {"Exit Calibration Mode SUCCESS", "Exit Calibration Mode FAIL"});
}

namespace {

// The three stored sets; a set the module did not deliver has no value.
struct StoredSets
{
    std::optional<IMUserial::imu_calibration_data> imu1;
    std::optional<IMUserial::imu_calibration_data> imu2;
    std::optional<IMUserial::mag_calibration_data> mag;
};

template <class Record, class Read> std::optional<Record> readSet(Read read)
{
    Record record;
    if (!commandoutcome::read(record, [&] { return read(&record); }))
        return std::nullopt;
    return record;
}

StoredSets readStoredSets(IMUserial::IMUSerial &device)
{
    using namespace IMUserial;
    return {readSet<imu_calibration_data>(
                [&](imu_calibration_data *set) { return device.read_imu1_calibration_data(set); }),
            readSet<imu_calibration_data>(
                [&](imu_calibration_data *set) { return device.read_imu2_calibration_data(set); }),
            readSet<mag_calibration_data>(
                [&](mag_calibration_data *set) { return device.read_mag_calibration_data(set); })};
}

template <class Record> bool sameBytes(const std::optional<Record> &stored, const Record &expected)
{
    return stored && std::memcmp(&*stored, &expected, sizeof expected) == 0;
}

} // namespace

void MainWindow::on_pushButtonGetCalibrationData_clicked()
{
    if (!deviceOpen(closedport::logged))
        return;
    stopStreamForCalibrationExchange();
    ui->plainTextEdit_calibration->clear();
    const StoredSets sets = readStoredSets(*imuSerial);
    ui->plainTextEdit_calibration->setPlainText(
        calibrationtext::readout(sets.imu1, sets.imu2, sets.mag));
    if (sets.imu1)
        qDebug() << "Gyr Bias: " << sets.imu1->gyr_bias[0] << sets.imu1->gyr_bias[1]
                 << sets.imu1->gyr_bias[2];
}

void MainWindow::on_pushButtonClearCalib_clicked()
{
    if (!confirmed("Do you want to\"ClearCalibationData? \""))
        return;
    if (!deviceOpen(closedport::debugged))
        return;
    IMUserial::imu_calibration_data imuSet = calibrationtext::neutralImuSet();
    IMUserial::mag_calibration_data magSet = calibrationtext::neutralMagSet();
    stopStreamForCalibrationExchange();
    ui->plainTextEdit_calibration->clear();
    // All three are written whatever the others answered; the sets read back
    // decide whether the clear took effect.
    const bool accepted[] = {
        commandoutcome::run([&] { return imuSerial->write_imu1_calibration_data(&imuSet); }),
        commandoutcome::run([&] { return imuSerial->write_imu2_calibration_data(&imuSet); }),
        commandoutcome::run([&] { return imuSerial->write_mag_calibration_data(&magSet); })};
    const bool allAccepted = accepted[0] && accepted[1] && accepted[2];
    const bool cleared = allAccepted && [&] {
        const StoredSets sets = readStoredSets(*imuSerial);
        return sameBytes(sets.imu1, imuSet) && sameBytes(sets.imu2, imuSet) &&
               sameBytes(sets.mag, magSet);
    }();
    ui->plainTextEdit_calibration->setPlainText(cleared ? "Clear Success" : "Clear FAIL");
}

void MainWindow::on_pushButtonStartGyrBiasCalib_clicked(bool /*checked*/)
{
    if (!confirmed("Do you want to\"startGyrBiasCalibration? \"") ||
        !deviceOpen(closedport::loggedAndDebugged))
        return;
    sendAndLog([&] { return imuSerial->startGyrBiasCalibration(); },
               {"Start GyrBias Calibration", "ERROR: Cannot Enter GyrBias Calibration"});
}

void MainWindow::on_pushButtonStopGyrBiasCalib_clicked(bool /*checked*/)
{
    if (!confirmed("Do you want to\"StopGyrBiasCalib? \"") ||
        !deviceOpen(closedport::loggedAndDebugged))
        return;
    sendAndLog([&] { return imuSerial->stopGyrBiasCalibration(); },
               {"Stop Gyr Bias Calibration", "FAIL to Stop Gyr Bias Calibration"});
}

// The offset cannot be read back, so where the library reports nothing the
// success text is the only outcome.
void MainWindow::on_pushButtonRecordQuaternionOffset_clicked(bool /*checked*/)
{
    if (!confirmed("Do you want to\"RecordQuaternionOffset? \"") ||
        !deviceOpen(closedport::loggedAndDebugged))
        return;
    sendAndLog([&] { return imuSerial->RecordQuaternionOffset(); },
               {"Record Quaternion Offset SUCCESS", "Record Quaternion Offset FAIL"});
}

void MainWindow::on_pushButtonResetQuaternionOffset_clicked(bool /*checked*/)
{
    if (!confirmed("Do you want to\"ResetQuaternionOffset? \"") ||
        !deviceOpen(closedport::loggedAndDebugged))
        return;
    sendAndLog([&] { return imuSerial->ResetQuaternionOffset(); },
               {"Reset Quaternion Offset SUCCESS", "Reset Quaternion Offset FAIL"});
}
