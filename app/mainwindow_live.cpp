// Live samples: log lines and angle read-outs.
#include "mainwindow.h"

#include "displaymodes.h"
#include "sampletext.h"
#include "ui_mainwindow.h"

#include <QLineEdit>

namespace {

// Setting a line edit's text lays it out and repaints it even when the text is
// the same; a module at rest keeps its read-outs for many ticks.
void showIfChanged(QLineEdit &readout, const QString &text)
{
    if (readout.text() != text)
        readout.setText(text);
}

} // namespace

// Runs on the library's receive thread: it formats and hands over, and
// never touches a widget or the chart.
void MainWindow::RecvImuCallback(IMUserial::sensor_data *data)
{
    MainWindow *window = pthis;
    window->recorder.recordSample(*data);
    if (window->showMessages)
        emit window->writeLog(sampletext::sampleLine(
            static_cast<displaymodes::DisplayMode>(window->messageDisplayMode.load()), *data));
    if (window->plotting) {
        const IMUserial::vec3 v = sampletext::plottedTriple(
            static_cast<displaymodes::DisplayMode>(window->graphDisplayMode.load()), *data);
        window->handoff.pushPoint(v.x, v.y, v.z);
    }
    window->handoff.storeSample(*data);
}

void MainWindow::on_comboBoxMessagesDisplayMode_currentTextChanged(const QString &arg1)
{
    const displaymodes::DisplayMode mode = displaymodes::messageModeFor(arg1);
    messageDisplayMode = static_cast<int>(mode);
    messageFormat = displaymodes::messageFormatFor(mode);
}

void MainWindow::AngleDisplay()
{
    // The read-outs keep their values until the first sample arrives.
    if (const auto sample = handoff.latestSample()) {
        angleX = sample->angle.x;
        angleY = sample->angle.y;
        angleZ = sample->angle.z;
    }
    showIfChanged(*ui->lineEdit_angle_x, sampletext::angleText(angleX));
    showIfChanged(*ui->lineEdit_angle_y, sampletext::angleText(angleY));
    showIfChanged(*ui->lineEdit_angle_z, sampletext::angleText(angleZ));
}

void MainWindow::on_comboBoxGraphDisplayMode_currentTextChanged(const QString &arg1)
{
    graphDisplayMode = static_cast<int>(displaymodes::graphModeFor(arg1));
}
