// SPDX-License-Identifier: GPL-3.0-or-later
// The link to the module: opened and closed by the operator, looked for again
// when the module goes away under an open link and restored as it was when it
// is back, its data rate, its blinking indicator and the transmit-error boxes.
#pragma once

#include "connection/reconnector.h"
#include "imuserial.h"
#include "live/display_tick.h"
#include "prompts/prompter.h"

#include <QObject>

class Ui_MainWindow;

namespace chart {
class LivePlot;
}
namespace livelog {
class LiveLog;
}
namespace recording {
class StreamRecording;
}

namespace connection {

class LinkControl : public QObject
{
    Q_OBJECT

public:
    // The units the link stops and restores.
    struct Parts
    {
        livelog::LiveLog &log;
        chart::LivePlot &plot;
        recording::StreamRecording &stream;
    };

    // `dataRate` is the rate chosen; `blinkTimer` blinks the indicator.
    LinkControl(Ui_MainWindow &ui, IMUserial::IMUSerial &device, IMUserial::DATARATE &dataRate,
                QTimer &blinkTimer, live::DisplayTicks ticks, Parts parts,
                prompts::Prompter prompter, QObject *parent);

    // The operator's choice on the Connect button.
    void choose(bool connect);
    // Sends the chosen data rate to an open module.
    void applyDataRate();
    // The indicator's next blink.
    void blink();
    // One more transmit error to show its box for.
    void reportTransmitError();
    // Ends a search under way, so that nothing touches the device any more.
    void stopSearch();

signals:
    // The link opened: the chosen curves are to be shown.
    void opened();

private:
    void linkOpened();
    void linkClosed();
    void linkLost();
    void linkRegained();
    void setIndicator(bool on);
    void showTransmitErrorBoxes();

    Ui_MainWindow &ui_;
    IMUserial::IMUSerial &device_;
    IMUserial::DATARATE &dataRate_;
    QTimer &blinkTimer_;
    live::DisplayTicks ticks_;
    Parts parts_;
    prompts::Prompter prompter_;
    // The operator connected and has not disconnected since: a module that
    // goes away is looked for, and what ran is restored when it is back.
    bool linkWanted_ = false;
    struct
    {
        bool streaming = false;
        bool plotting = false;
    } runningWhenLost_;
    Reconnector reconnector_;
    // Transmit errors waiting for their box, shown one after the other.
    int pendingTransmitErrorBoxes_ = 0;
    bool showingTransmitErrorBox_ = false;
};

} // namespace connection
