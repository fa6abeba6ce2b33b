#include "foundation/Thread.h"
#include "tests/support/StderrCapture.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <mutex>
#include <poll.h>

namespace {

// Counts its runs; each run waits until it is released or stopped.
class CountingWorker : public Norq::Thread {
public:
    ~CountingWorker() override { stop(); }

    void release() {
        std::lock_guard lock(m_mutex);
        m_released = true;
        m_changed.notify_all();
    }
    void waitUntilStarted(int runs) {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [&] { return m_runs >= runs; });
    }
    int runs() {
        std::lock_guard lock(m_mutex);
        return m_runs;
    }

protected:
    void run() override {
        std::unique_lock lock(m_mutex);
        ++m_runs;
        m_changed.notify_all();
        while (!m_released && isRunning())
            m_changed.wait_for(lock, std::chrono::milliseconds(1));
        m_released = false;
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    int m_runs = 0;
    bool m_released = false;
};

// Blocks in poll on the stop descriptor only, the way a network wait does.
class PollingWorker : public Norq::Thread {
public:
    ~PollingWorker() override { stop(); }
    bool woken = false;

protected:
    void run() override {
        pollfd entry{stopDescriptor(), POLLIN, 0};
        woken = ::poll(&entry, 1, 60 * 60 * 1000) == 1;
    }
};

class ThrowingWorker : public Norq::Thread {
public:
    ~ThrowingWorker() override { stop(); }

protected:
    void run() override { throw std::runtime_error("boom"); }
};

} // namespace

TEST(Thread, StartOnARunningWorkerStartsNoSecondRun) {
    CountingWorker worker;
    worker.start();
    worker.waitUntilStarted(1);
    worker.start();
    EXPECT_TRUE(worker.isRunning());
    worker.release();
    worker.stop();
    EXPECT_EQ(worker.runs(), 1);
    EXPECT_FALSE(worker.isRunning());
}

TEST(Thread, StopAfterTheRunEndedReturnsAndStartRunsAgain) {
    CountingWorker worker;
    worker.start();
    worker.waitUntilStarted(1);
    worker.release();
    worker.stop();
    worker.stop();
    worker.start();
    worker.waitUntilStarted(2);
    worker.stop();
    EXPECT_EQ(worker.runs(), 2);
}

TEST(Thread, StopWakesAWorkerWaitingInPoll) {
    PollingWorker worker;
    worker.start();
    worker.stop();
    EXPECT_TRUE(worker.woken);
    // A second run starts with the stop request cleared, and is woken again.
    worker.woken = false;
    worker.start();
    worker.stop();
    EXPECT_TRUE(worker.woken);
}

TEST(Thread, AnExceptionInRunIsReportedNotFatal) {
    TestSupport::StderrCapture capture;
    ThrowingWorker worker;
    worker.start();
    worker.stop();
    EXPECT_NE(capture.text().find("Norq: worker thread ended by an exception $[boom]"),
              std::string::npos);
}
