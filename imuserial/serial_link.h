// SPDX-License-Identifier: GPL-3.0-or-later
// The serial port and the frame decoder, living on the library's port thread.
#pragma once

#include "frame.h"

#include <QObject>
#include <QSerialPort>
#include <QTimer>

#include <array>

namespace IMUserial {

// What the link reports; called on the port thread.
class LinkListener
{
public:
    // The port is open; frames may follow at once.
    virtual void onOpened() = 0;
    virtual void onFrame(const imuproto::Frame &frame) = 0;
    virtual void onWriteFailed() = 0;
    // The device went away (unplugged, simulator ended); the link is closed.
    virtual void onVanished() = 0;

protected:
    ~LinkListener() = default;
};

// Every member function runs on the thread the link lives on.
class SerialLink : public QObject
{
public:
    explicit SerialLink(LinkListener &listener);

    bool open(const QString &portName);
    void close();
    // Queues one encoded frame for writing; false when the port is closed.
    bool send(const QByteArray &frame);

private:
    void configure();
    void readAvailable();
    void handleError(QSerialPort::SerialPortError error);
    void checkForStalePartialFrame();
    void watchForStalePartialFrame();
    void deliver(const imuproto::Frame &frame) { listener_.onFrame(frame); }

    LinkListener &listener_;
    QSerialPort port_{this};
    QTimer staleFrameTimer_{this};
    bool readSinceStaleCheck_ = false;
    imuproto::FrameDecoder decoder_;
    std::array<char, 4096> chunk_{};
};

} // namespace IMUserial
