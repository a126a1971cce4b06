// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The long work of a window on a thread of its own: it computes on a
// snapshot of the window's inputs, and its end is reported on the window's
// thread, where the window takes its results.  An exception that leaves the
// work is kept as the failure (no exception leaves the thread).
#include <QObject>
#include <functional>
#include <string>
#include <thread>

namespace zelvar {

class BackgroundJob {
public:
    BackgroundJob() = default;
    BackgroundJob(const BackgroundJob&) = delete;
    BackgroundJob& operator=(const BackgroundJob&) = delete;
    // Waits for the work: the owner cancels it first.
    ~BackgroundJob() { join(); }

    bool running() const { return worker_.joinable(); }
    // Runs work on a new thread; then done() on the thread of `receiver`
    // (queued, after the events before it).  Not while running.
    void start(QObject* receiver, std::function<void()> work, std::function<void()> done);
    // Waits for the work's thread; false when none was started since.
    bool join();
    // Of the last work, once joined.
    bool failed() const { return failed_; }
    const std::string& failure() const { return failure_; }

private:
    std::thread worker_;
    bool failed_ = false;
    std::string failure_;
};

}  // namespace zelvar
