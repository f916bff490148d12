// SPDX-License-Identifier: GPL-3.0-or-later
#include "device_private.h"

#include "port_discovery.h"

#include <QCoreApplication>
#include <QtGlobal>

#include <cstring>
#include <vector>

namespace IMUserial {

namespace {

template <class Record> bool recordFromFrame(const imuproto::Frame &frame, Record &record)
{
    // A longer record from a newer module keeps the fields we know in front.
    if (frame.size < sizeof(Record))
        return false;
    std::memcpy(&record, frame.payload, sizeof(Record));
    return true;
}

// A module answering these (re)starts a stream, whose counter may begin anew.
bool restartsStream(const imuproto::Frame &reply)
{
    if (reply.size < imuproto::REPLY_HEADER_SIZE || reply.payload[1] != imuproto::STATUS_OK)
        return false;
    const std::uint8_t command = reply.payload[0];
    return command == imuproto::CMD_START_STREAM || command == imuproto::CMD_ENTER_CALIBRATION ||
           command == imuproto::CMD_EXIT_CALIBRATION;
}

} // namespace

IMUSerial::Private::~Private()
{
    closePort();
}

// Ports from `index` on in discovery order; the first that opens is kept.
// A callback cannot open a port: that may have to join its own thread.
void IMUSerial::Private::initPort(int index)
{
    if (gate_.calledFromCallback())
        return;
    std::lock_guard<std::mutex> control(portControlMutex_);
    if (open_.load())
        return;
    releasePort();
    if (!QCoreApplication::instance()) {
        qWarning("IMUSerial: the port needs a QCoreApplication object; none exists");
        return;
    }
    const QStringList names = findModulePorts();
    if (index < 0 || index >= names.size())
        return;
    {
        std::lock_guard<std::mutex> lock(lifecycleMutex_);
        thread_ = std::make_unique<PortThread>(*this);
    }
    // thread_ changes only under portControlMutex_, which is held here.
    for (int i = index; i < names.size(); ++i)
        if (thread_->open(names[i]))
            return;
    releasePort();
}

void IMUSerial::Private::closePort()
{
    if (gate_.calledFromCallback()) {
        closeFromCallback();
        return;
    }
    gate_.close();
    std::lock_guard<std::mutex> control(portControlMutex_);
    releasePort();
}

// Joins the port thread, so no callback and no write remain in flight.
void IMUSerial::Private::releasePort()
{
    open_.store(false);
    std::unique_ptr<PortThread> thread;
    {
        std::lock_guard<std::mutex> lock(lifecycleMutex_);
        thread = std::move(thread_);
    }
    thread.reset();
    waiter_.fail();
}

// A callback closing the port cannot wait for its own thread: the port is
// closed now and the idle thread is joined by the next initPort(),
// closePort() or the destructor. When another thread is already releasing
// the port, that thread closes it.
void IMUSerial::Private::closeFromCallback()
{
    gate_.close();
    open_.store(false);
    SerialLink *link = nullptr;
    {
        std::lock_guard<std::mutex> lock(lifecycleMutex_);
        if (thread_ && thread_->isCurrentThread())
            link = &thread_->link();
    }
    if (link)
        link->close();
    waiter_.fail();
}

// A command from inside a callback fails at once: its reply could only be
// read by the thread that is running the callback.
bool IMUSerial::Private::command(std::uint8_t type, const void *payload, std::size_t size,
                                 Reply *reply)
{
    if (gate_.calledFromCallback())
        return false;
    std::lock_guard<std::mutex> serialised(commandMutex_);
    if (!open_.load())
        return false;
    const std::uint8_t sequence = nextSequence_++;
    waiter_.expect(sequence, type);
    if (!send(type, sequence, payload, size))
        waiter_.fail();
    Reply answer;
    switch (waiter_.wait(REPLY_TIMEOUT, answer)) {
    case ReplyWaiter::Outcome::Answered:
        if (reply)
            *reply = answer;
        return answer.status == imuproto::STATUS_OK;
    case ReplyWaiter::Outcome::TimedOut:
        postTransmitError();
        return false;
    case ReplyWaiter::Outcome::Failed:
        break;
    }
    return false;
}

bool IMUSerial::Private::send(std::uint8_t type, std::uint8_t sequence, const void *payload,
                              std::size_t size)
{
    std::vector<std::uint8_t> frame;
    if (!imuproto::encodeFrame(frame, type, sequence, static_cast<const std::uint8_t *>(payload),
                               size))
        return false;
    QByteArray bytes(reinterpret_cast<const char *>(frame.data()),
                     static_cast<qsizetype>(frame.size()));
    std::lock_guard<std::mutex> lock(lifecycleMutex_);
    if (!thread_)
        return false;
    thread_->post([this, bytes](SerialLink &link) {
        if (!link.send(bytes))
            waiter_.fail();
    });
    return true;
}

void IMUSerial::Private::onOpened()
{
    missed_.resynchronise();
    departureExpected_.store(false);
    open_.store(true);
}

void IMUSerial::Private::onFrame(const imuproto::Frame &frame)
{
    switch (frame.type) {
    case imuproto::DATA_SAMPLE:
        deliverSample(frame);
        break;
    case imuproto::DATA_CALIBRATION_SAMPLE:
        deliverCalibrationSample(frame);
        break;
    case imuproto::REPLY:
        if (restartsStream(frame))
            missed_.resynchronise();
        waiter_.offer(frame.sequence, frame.payload, frame.size);
        break;
    default:
        break;
    }
}

void IMUSerial::Private::deliverSample(const imuproto::Frame &frame)
{
    sensor_data record;
    if (!recordFromFrame(frame, record))
        return;
    gate_.run([&](const Callbacks &callbacks) {
        missed_.count(frame.sequence);
        if (callbacks.sample)
            callbacks.sample(&record);
    });
}

void IMUSerial::Private::deliverCalibrationSample(const imuproto::Frame &frame)
{
    sensor_data_calibration record;
    if (!recordFromFrame(frame, record))
        return;
    gate_.run([&](const Callbacks &callbacks) {
        missed_.count(frame.sequence);
        if (callbacks.calibration)
            callbacks.calibration(&record);
    });
}

void IMUSerial::Private::onWriteFailed()
{
    waiter_.fail();
    reportTransmitError();
}

void IMUSerial::Private::onVanished()
{
    open_.store(false);
    waiter_.fail();
    if (!departureExpected_.load())
        reportTransmitError();
}

void IMUSerial::Private::reportTransmitError()
{
    gate_.run([](const Callbacks &callbacks) {
        if (callbacks.transmitError)
            callbacks.transmitError();
    });
}

// Every callback runs on the port thread, so the gate's guarantee covers a
// time-out met on the caller's thread too.
void IMUSerial::Private::postTransmitError()
{
    std::lock_guard<std::mutex> lock(lifecycleMutex_);
    if (thread_)
        thread_->post([this](SerialLink &) { reportTransmitError(); });
}

} // namespace IMUserial
