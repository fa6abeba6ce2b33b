#pragma once

#include "transport/MailCheckListener.h"

/// Hears a whole check: the checker's calls, passed on unchanged, plus the moment the work list
/// is ready. The checker's calls arrive on the checker thread, `checkStarted` on the thread
/// that asked for the check.
class CheckObserver : public MailCheckListener {
public:
    /// The work list has been built and the checker is about to start.
    virtual void checkStarted() = 0;
};
