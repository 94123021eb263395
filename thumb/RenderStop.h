#pragma once
// A stop asked of the pictures being made. Decoders ask it between pieces of
// their work, on whatever thread they run, and give the picture up once it
// says so. A picture gets a short grace after the stop is asked, so a normal
// one, which takes tens of milliseconds, still finishes.

#include "Errors.h"

#include <atomic>
#include <chrono>
#include <cstdint>

// A picture given up because its run was stopped; nothing of it is kept.
class EPictureGivenUp : public Exception {
public:
    EPictureGivenUp() : Exception("Stopped") {}
};

// When a stop was asked, in nanoseconds of the steady clock; 0 while not asked.
using TStopMoment = std::atomic<int64_t>;

// Marks a stop asked now; safe in a signal handler (the steady clock reads
// clock_gettime, and the store is lock-free).
void AskStop(TStopMoment& moment) noexcept;

class TRenderStop {
public:
    static constexpr std::chrono::milliseconds Grace{250};

    TRenderStop() = default;
    // A stop of one picture, which also gives up when the run's stop does.
    explicit TRenderStop(const TRenderStop* run) : FRun(run) {}
    TRenderStop(const TRenderStop&) = delete;
    TRenderStop& operator=(const TRenderStop&) = delete;

    void Ask() noexcept { AskStop(FAskedAt); }
    // Gives up at once, without the grace.
    void AskAtOnce() noexcept { FAskedAt.store(1); }
    // Forgets this stop's own asking; a watched one stays.
    void Clear() noexcept { FAskedAt.store(0); }
    // A stop asked from elsewhere (a signal handler) that counts as this one.
    void Watch(const TStopMoment* other) noexcept { FWatched = other; }

    bool Asked() const noexcept;
    // Asked, and the grace is over.
    bool GivesUp() const noexcept;
    void ThrowIfGivenUp() const;

private:
    TStopMoment FAskedAt{0};
    const TStopMoment* FWatched = nullptr;
    const TRenderStop* FRun = nullptr;
};
