// SPDX-License-Identifier: GPL-3.0-or-later
// What a command to the module achieved.
//
// Our device library reports each operation's result; a library whose
// operations return nothing leaves the window to find out through the
// interface itself. Both are handled here, chosen at compile time, so the
// window builds unchanged against either: read buffers start filled with a
// sentinel, and a read that left the sentinel delivered nothing; writes are
// read back by their callers.
#pragma once

#include <cstring>
#include <type_traits>

namespace outcome {

enum class Reply
{
    Accepted,    // the library reported success
    Refused,     // the library reported failure
    NotReported, // the library's operation returns nothing
};

// Calls `operation` and says what it reported.
template <class Operation> Reply send(Operation &&operation)
{
    if constexpr (std::is_void_v<std::invoke_result_t<Operation>>) {
        operation();
        return Reply::NotReported;
    } else {
        return operation() ? Reply::Accepted : Reply::Refused;
    }
}

// Sends `operation` and says whether it may have taken effect: the library
// did not report a failure. For commands the interface cannot check.
template <class Operation> bool run(Operation &&operation)
{
    return send(operation) != Reply::Refused;
}

// Sends `operation` and says whether it took effect: not refused, and
// `verify` (a read-back) confirms it.
template <class Operation, class Verify> bool run(Operation &&operation, Verify &&verify)
{
    return run(operation) && verify();
}

// Every byte 0xFF: no version, serial number or calibration value the
// module sends looks like that (in a float it is a NaN).
constexpr unsigned char kSentinelByte = 0xFF;

template <class Record> void fillWithSentinel(Record &record)
{
    static_assert(std::is_trivially_copyable_v<Record>);
    std::memset(&record, kSentinelByte, sizeof record);
}

template <class Record> bool holdsSentinel(const Record &record)
{
    const auto *bytes = reinterpret_cast<const unsigned char *>(&record);
    for (std::size_t i = 0; i < sizeof record; ++i) {
        if (bytes[i] != kSentinelByte)
            return false;
    }
    return true;
}

// Fills `record` with the sentinel, lets `operation` read into it, and says
// whether the read delivered: not refused, and the sentinel overwritten.
template <class Record, class Operation> bool read(Record &record, Operation &&operation)
{
    fillWithSentinel(record);
    return run(operation) && !holdsSentinel(record);
}

// The log line for an outcome.
struct Texts
{
    const char *success;
    const char *failure;
};

inline const char *textFor(bool succeeded, const Texts &texts)
{
    return succeeded ? texts.success : texts.failure;
}

} // namespace outcome
