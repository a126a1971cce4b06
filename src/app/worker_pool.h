// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// The pool of worker threads of the long analyses (tolerance, mode table):
// the calling thread and as many more as asked, each running the same work
// function with its own index, until every one has returned.
#include <functional>

namespace zelvar {

// At most this many threads are started.
inline constexpr int kMaxWorkerThreads = 256;

// One per core (1 when the count is unknown), at most kMaxWorkerThreads.
int default_thread_count();

// Runs work(0) on the calling thread and work(1) .. work(n − 1) on threads
// of their own (n is clamped to 1 .. kMaxWorkerThreads), and returns when
// all have returned.  The system may refuse a thread: then fewer run, so
// the work must share its tasks through a common counter, not by index.
// An exception leaving a work function is raised again here, after every
// thread has returned (the first one, when several do).
void run_on_workers(int n, const std::function<void(int index)>& work);

}  // namespace zelvar
