#pragma once

/// Whether a later try may not meet this failure of a POP3 or IMAP session: no connection, no
/// answer, a lost connection, busy, a server too slow this time.
template <class Failure> bool mayPass(Failure failure) {
    return failure == Failure::Connect || failure == Failure::NoReply ||
           failure == Failure::Closed || failure == Failure::Busy || failure == Failure::OutOfTime;
}
