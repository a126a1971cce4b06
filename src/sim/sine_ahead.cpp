#include "sim/sine_ahead.h"

#include <chrono>

namespace zelvar {

namespace {

// Below this many steps a run takes a few milliseconds; a thread is not worth starting.
constexpr std::int64_t kMinSteps = 20000;

}  // namespace

SineAhead::SineAhead(const SimParams& p, long double h, std::int64_t steps) : h_(h) {
    if (p.square || steps < kMinSteps || std::thread::hardware_concurrency() < 2) return;
    try {
        ring_ = std::make_unique<long double[]>(kRing);
        thread_ = std::thread([this, h, w = kTwoPi * p.fin, steps] { work(h, w, steps); });
    } catch (...) {
        // No thread: the run computes every value itself.
    }
}

SineAhead::~SineAhead() {
    if (thread_.joinable()) {
        stop_.store(true, std::memory_order_relaxed);
        thread_.join();
    }
}

long double SineAhead::compute_ahead(const SimParams& p, long double t, long double arg, std::int64_t n,
                                     std::int32_t left) {
    if (!std::isfinite(arg)) return rounded_sin(arg);  // NaN, with its fault flag, now
    // This step and the next steps of the sample while the driver runs the
    // sine wave, with the times and arguments the run will form.
    int k = 0;
    own_arg_[k++] = arg;
    for (long double tk = t; k < kOwn && k < left; ++k) {
        tk = tk + h_;
        if (!(tk < p.tstop) || (p.feedback && tk > p.tstart)) break;
        own_arg_[k] = (kTwoPi * p.fin) * tk;
    }
    rounded_sin(own_arg_, own_, k);
    own_begin_ = n;
    own_end_ = n + k;
    return own_[0];
}

void SineAhead::work(long double h, long double w, std::int64_t steps) {
#if defined(__x86_64__) || defined(__i386__)
    // The run's arithmetic: 64-bit significands, rounding to nearest.
    const unsigned short control = 0x037f;
    __asm__ volatile("fldcw %0" : : "m"(control));
#endif
    long double t = 0;
    std::int64_t consumed = 0;
    for (std::int64_t n = 0; n < steps; ++n) {
        t = t + h;
        if ((n & 63) == 0 || n - consumed >= kRing) {
            if (stop_.load(std::memory_order_relaxed)) return;
            consumed = consumed_.load(std::memory_order_acquire);
            // The ring is full: let the run take half of it (about 0.2 ms
            // of the run's work) before going on.
            while (n - consumed >= kRing / 2) {
                std::this_thread::sleep_for(std::chrono::microseconds(100));
                if (stop_.load(std::memory_order_relaxed)) return;
                consumed = consumed_.load(std::memory_order_acquire);
            }
        }
        if (n < consumed) continue;  // the run has passed this step already
        ring_[n % kRing] = rounded_sin(w * t);
        if ((n & 63) == 63) produced_.store(n + 1, std::memory_order_release);
    }
    produced_.store(steps, std::memory_order_release);
}

}  // namespace zelvar
