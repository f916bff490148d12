// SPDX-License-Identifier: GPL-3.0-or-later
#include "simulator.h"

#include <algorithm>

namespace imusim {

Simulator::Simulator(const SimulatorConfig &config, TimePoint start)
    : start_(start), faults_(config.faults), module_(config.stored, config.module),
      damager_(config.faults.corruptRate, config.faults.dropRate, config.module.seed + 1),
      skipper_(config.faults.skipRate, config.module.seed + 2)
{
}

void Simulator::receive(const std::uint8_t *data, std::size_t size, TimePoint now)
{
    decoder_.feed(data, size, [&](const imuproto::Frame &frame) {
        if (imuproto::isCommand(frame.type) && !jumpPending_)
            execute(frame, now);
    });
}

void Simulator::execute(const imuproto::Frame &command, TimePoint now)
{
    ++stats_.commands;
    CommandOutcome outcome; // success without data: what a pretended command answers
    if (faults_.fails(command.type))
        outcome.status = imuproto::STATUS_FAILED;
    else if (!faults_.pretends(command.type))
        outcome = module_.execute(command.type, command.payload, command.size, uptime(now));
    jumpPending_ = outcome.jumpToBootloader;
    followStreamState(now);

    if (faults_.withholds(command.type)) {
        bootloaderRequested_ = jumpPending_;
        return;
    }
    std::vector<std::uint8_t> payload{command.type, outcome.status};
    payload.insert(payload.end(), outcome.data.begin(), outcome.data.end());
    PendingReply reply{now + faults_.replyDelay, {}, outcome.jumpToBootloader};
    imuproto::encodeFrame(reply.frame, imuproto::REPLY, command.sequence, payload.data(),
                          payload.size());
    replies_.push_back(std::move(reply));
}

void Simulator::followStreamState(TimePoint now)
{
    if (!module_.sending() || jumpPending_) {
        scheduler_.stop();
        return;
    }
    if (!scheduler_.running() || scheduler_.rate() != module_.outputRate())
        scheduler_.start(module_.outputRate(), now);
}

void Simulator::produce(TimePoint now, bool discardSamples, std::vector<std::uint8_t> &out)
{
    const std::size_t from = out.size();
    sendReplies(now, out);
    sendSamples(now, discardSamples, out);
    damager_.damage(out, from);
}

void Simulator::sendReplies(TimePoint now, std::vector<std::uint8_t> &out)
{
    while (!replies_.empty() && replies_.front().due <= now) {
        const PendingReply &reply = replies_.front();
        out.insert(out.end(), reply.frame.begin(), reply.frame.end());
        bootloaderRequested_ = bootloaderRequested_ || reply.jumpAfterwards;
        replies_.pop_front();
    }
}

void Simulator::sendSamples(TimePoint now, bool discard, std::vector<std::uint8_t> &out)
{
    const DueSamples due = scheduler_.collect(now);
    sampleCounter_ += due.skipped;
    stats_.samplesSkipped += due.skipped;
    for (std::uint64_t i = 0; i < due.count; ++i) {
        const auto sequence = static_cast<std::uint8_t>(sampleCounter_++);
        if (discard || skipper_.skips()) {
            ++stats_.samplesSkipped;
            continue;
        }
        const Record record = module_.record(uptime(scheduler_.deadline(due.firstIndex + i)));
        imuproto::encodeFrame(out, record.type, sequence, record.payload.data(), record.size);
        ++stats_.samplesSent;
    }
}

TimePoint Simulator::nextWakeup() const
{
    TimePoint next = TimePoint::max();
    if (!replies_.empty())
        next = replies_.front().due;
    if (scheduler_.running())
        next = std::min(next, scheduler_.nextDeadline());
    return next;
}

void Simulator::returnFromBootloader(TimePoint now,
                                     const std::optional<VersionBytes> &flashedVersion)
{
    module_.restart(uptime(now), flashedVersion);
    replies_.clear();
    decoder_.reset();
    jumpPending_ = false;
    bootloaderRequested_ = false;
    followStreamState(now);
}

double Simulator::uptime(TimePoint time) const
{
    return std::chrono::duration<double>(time - start_).count();
}

} // namespace imusim
