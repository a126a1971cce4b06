#pragma once
// The source's sine values of a run, computed ahead on a second thread.
//
// The sine of a step depends only on the step's time, which is the running
// sum of h: a helper thread forms the same sums and arguments, in the same
// order and precision, and stores rounded_sin of each argument in a ring.
// The run takes a value from the ring when it is there and otherwise computes
// it itself, so it never waits, and a value is the same bits whoever computed
// it.  The run still forms every argument itself (its fault flags are the
// ones that count), and computes the sine itself for an argument that is not
// finite.  Everything else of the source (square wave, feedback, stopped
// driver) is computed as before.
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "sim/sim_params.h"
#include "sim/source_voltage.h"

namespace zelvar {

class SineAhead {
public:
    // Starts the helper for a run of `steps` steps of size h, when the source
    // is a sine wave, the run is long enough to gain from it and a second
    // processor is there; otherwise source() computes every value itself.
    SineAhead(const SimParams& p, long double h, std::int64_t steps);
    ~SineAhead();
    SineAhead(const SineAhead&) = delete;
    SineAhead& operator=(const SineAhead&) = delete;

    // vin of step n (0-based) ending at t: source_voltage(p, t, i_fb).
    long double source(const SimParams& p, long double t, long double i_fb, std::int64_t n) {
        if (!thread_.joinable() || p.square || !(t < p.tstop) || (p.feedback && t > p.tstart))
            return source_voltage(p, t, i_fb);
        const long double arg = (kTwoPi * p.fin) * t;
        if (n >= seen_) seen_ = produced_.load(std::memory_order_acquire);
        const long double s = n < seen_ && std::isfinite(arg) ? ring_[n % kRing] : rounded_sin(arg);
        consumed_.store(n + 1, std::memory_order_release);
        return s * p.Vin;
    }

private:
    static constexpr std::int64_t kRing = 4096;
    void work(long double h, long double w, std::int64_t steps);

    std::unique_ptr<long double[]> ring_;
    alignas(64) std::atomic<std::int64_t> produced_{0};  // ring holds steps below this (or consumed)
    alignas(64) std::atomic<std::int64_t> consumed_{0};  // the run is done with steps below this
    alignas(64) std::atomic<bool> stop_{false};
    std::int64_t seen_ = 0;  // the run's last look at produced_
    std::thread thread_;
};

}  // namespace zelvar
