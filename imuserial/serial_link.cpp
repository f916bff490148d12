// SPDX-License-Identifier: GPL-3.0-or-later
#include "serial_link.h"

namespace IMUserial {

namespace {

constexpr qint32 BAUD_RATE = 921600;

// A partial frame is given up once a whole check period passed without any
// byte arriving. Far longer than any pause inside a frame: at 921600 baud a
// whole frame takes under 3 ms, and USB delivers every 1 ms.
constexpr int STALE_FRAME_TIMEOUT_MS = 50;

const std::uint8_t *bytes(const char *data)
{
    return reinterpret_cast<const std::uint8_t *>(data);
}

} // namespace

SerialLink::SerialLink(LinkListener &listener) : listener_(listener)
{
    staleFrameTimer_.setSingleShot(true);
    staleFrameTimer_.setInterval(STALE_FRAME_TIMEOUT_MS);
    connect(&port_, &QSerialPort::readyRead, this, &SerialLink::readAvailable);
    connect(&port_, &QSerialPort::errorOccurred, this, &SerialLink::handleError);
    connect(&staleFrameTimer_, &QTimer::timeout, this, &SerialLink::checkForStalePartialFrame);
}

bool SerialLink::open(const QString &portName)
{
    port_.setPortName(portName);
    if (!port_.open(QIODevice::ReadWrite))
        return false;
    configure();
    decoder_.reset();
    listener_.onOpened();
    return true;
}

// A pseudo-terminal ignores or refuses line settings and carries the bytes
// all the same, so a refused setting does not fail the open.
void SerialLink::configure()
{
    port_.setBaudRate(BAUD_RATE);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    port_.clearError();
}

void SerialLink::close()
{
    staleFrameTimer_.stop();
    port_.close();
}

bool SerialLink::send(const QByteArray &frame)
{
    if (!port_.isOpen() || port_.write(frame) != frame.size())
        return false;
    port_.flush();
    return true;
}

// A callback may close the port while a read is being decoded.
void SerialLink::readAvailable()
{
    while (port_.isOpen()) {
        const qint64 count = port_.read(chunk_.data(), static_cast<qint64>(chunk_.size()));
        if (count <= 0)
            break;
        readSinceStaleCheck_ = true;
        decoder_.feed(bytes(chunk_.data()), static_cast<std::size_t>(count),
                      [this](const imuproto::Frame &frame) { deliver(frame); });
    }
    watchForStalePartialFrame();
}

// The timer is not restarted for every read, which would cost a timer
// registration per read while streaming.
void SerialLink::watchForStalePartialFrame()
{
    if (port_.isOpen() && decoder_.buffered() > 0 && !staleFrameTimer_.isActive())
        staleFrameTimer_.start();
}

void SerialLink::checkForStalePartialFrame()
{
    if (!readSinceStaleCheck_)
        decoder_.abandonPartialFrame([this](const imuproto::Frame &frame) { deliver(frame); });
    readSinceStaleCheck_ = false;
    watchForStalePartialFrame();
}

// A closed pseudo-terminal master shows as ReadError, an unplugged USB device
// as ResourceError; both repeat for as long as the port stays open.
void SerialLink::handleError(QSerialPort::SerialPortError error)
{
    if (error == QSerialPort::NoError || !port_.isOpen())
        return;
    port_.clearError();
    if (error == QSerialPort::ResourceError || error == QSerialPort::ReadError) {
        close();
        listener_.onVanished();
    } else if (error == QSerialPort::WriteError) {
        listener_.onWriteFailed();
    }
}

} // namespace IMUserial
