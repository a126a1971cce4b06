// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/worker_pool.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace zelvar {

int default_thread_count() {
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : static_cast<int>(std::min(n, static_cast<unsigned>(kMaxWorkerThreads)));
}

void run_on_workers(int n, const std::function<void(int index)>& work) {
    n = std::clamp(n, 1, kMaxWorkerThreads);
    std::mutex mutex;
    std::exception_ptr first;
    const auto guarded = [&](int index) {
        try {
            work(index);
        } catch (...) {
            const std::lock_guard<std::mutex> lock(mutex);
            if (!first) first = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    try {
        for (int t = 1; t < n; ++t) threads.emplace_back(guarded, t);
    } catch (const std::system_error&) {
        // A refused thread leaves its tasks to the others.
    }
    guarded(0);
    for (std::thread& t : threads) t.join();
    if (first) std::rethrow_exception(first);
}

}  // namespace zelvar
