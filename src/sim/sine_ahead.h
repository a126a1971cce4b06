#pragma once
// The source's sine values of a run, computed ahead.
//
// The sine of a step depends only on the step's time, which is the running
// sum of h: a helper thread forms the same sums and arguments, in the same
// order and precision, and stores rounded_sin of each argument in a ring.
// The run takes a value from the ring when it is there; otherwise it
// computes the values of the next steps of the same sample itself, several
// at once (faster than one by one), so it never waits, and a value is the
// same bits whoever computed it.  The run still forms every argument itself
// (its fault flags are the ones that count); the values it computes ahead
// belong to steps of the sample it is in, whose flags are checked together
// when the sample is stored.  Everything else of the source (square wave,
// feedback, stopped driver) is computed as before, step by step.
#include <atomic>
#include <cstdint>
#include <memory>
#include <thread>

#include "sim/sim_params.h"
#include "sim/source_voltage.h"

namespace zelvar {

class SineAhead {
public:
    // For a run of `steps` steps of size h.  Starts the helper when the
    // source is a sine wave, the run is long enough to gain from it and a
    // second processor is there.
    SineAhead(const SimParams& p, long double h, std::int64_t steps);
    ~SineAhead();
    SineAhead(const SineAhead&) = delete;
    SineAhead& operator=(const SineAhead&) = delete;

    // vin of step n (0-based) ending at t: source_voltage(p, t, i_fb).
    // `left` is the number of steps of the current sample from this one on.
    long double source(const SimParams& p, long double t, long double i_fb, std::int64_t n, std::int32_t left) {
        if (p.square || !(t < p.tstop) || (p.feedback && t > p.tstart)) return source_voltage(p, t, i_fb);
        const long double arg = (kTwoPi * p.fin) * t;
        long double s;
        if (n < own_end_) {
            s = own_[n - own_begin_];
        } else {
            if (n >= seen_ && thread_.joinable()) seen_ = produced_.load(std::memory_order_acquire);
            if (n < seen_ && std::isfinite(arg)) {
                s = ring_[n % kRing];
                // The helper wrote the ring from the other processor: fetch
                // the next values' line while this step's matrix work runs.
                __builtin_prefetch(&ring_[(n + 8) % kRing]);
            } else
                s = compute_ahead(p, t, arg, n, left);
        }
        // Told every 64 steps: the counters' cache lines move between the
        // processors at each look, which costs more than a step.
        if ((n & 63) == 63 && thread_.joinable()) consumed_.store(n + 1, std::memory_order_release);
        return s * p.Vin;
    }

private:
    static constexpr std::int64_t kRing = 4096;
    static constexpr int kOwn = 32;
    long double compute_ahead(const SimParams& p, long double t, long double arg, std::int64_t n,
                              std::int32_t left);
    void work(long double h, long double w, std::int64_t steps);

    long double h_;
    std::unique_ptr<long double[]> ring_;
    alignas(64) std::atomic<std::int64_t> produced_{0};  // ring holds steps below this (or consumed)
    alignas(64) std::atomic<std::int64_t> consumed_{0};  // the run is done with steps below this
    alignas(64) std::atomic<bool> stop_{false};
    std::int64_t seen_ = 0;  // the run's last look at produced_
    // Values the run computed itself, of steps own_begin_ .. own_end_ − 1.
    long double own_[kOwn] = {};
    long double own_arg_[kOwn] = {};
    std::int64_t own_begin_ = 0, own_end_ = 0;
    std::thread thread_;
};

}  // namespace zelvar
