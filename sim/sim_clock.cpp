#include "sim_clock.h"

#include <thread>

namespace kvr::sim {

std::uint32_t VirtualClock::TickCount() {
    ++tickReads;
    nowNs_ += tickReadNs;
    return static_cast<std::uint32_t>(nowNs_ / 1000000);
}

std::uint64_t VirtualClock::PreciseNs() {
    nowNs_ += tickReadNs;
    return nowNs_;
}

void VirtualClock::SleepUs(std::uint32_t us) {
    nowNs_ += std::uint64_t{us} * 1000;
    sleptNs += std::uint64_t{us} * 1000;
}

RealClock::RealClock() : origin_(std::chrono::steady_clock::now()) {}

std::uint64_t RealClock::NowNs() {
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                          std::chrono::steady_clock::now() - origin_)
                                          .count());
}

std::uint32_t RealClock::TickCount() {
    return static_cast<std::uint32_t>(NowNs() / 1000000);
}

void RealClock::SleepUs(std::uint32_t us) {
    std::this_thread::sleep_for(std::chrono::microseconds(us));
}

void RealClock::WaitUntil(std::uint64_t ns) {
    // Some runtimes (MinGW's) wake a sleep early, rounding it to the
    // system's timer: sleep again until the time has really come.
    while (NowNs() < ns) std::this_thread::sleep_until(origin_ + std::chrono::nanoseconds(ns));
}

}  // namespace kvr::sim
