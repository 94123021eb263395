#include "RenderStop.h"

static_assert(TStopMoment::is_always_lock_free, "asked from a signal handler");

namespace {

int64_t Now() noexcept
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool GraceOver(const TStopMoment* moment, int64_t now) noexcept
{
    const int64_t at = moment ? moment->load(std::memory_order_relaxed) : 0;
    return at != 0 && now - at >= std::chrono::nanoseconds(TRenderStop::Grace).count();
}

}  // namespace

void AskStop(TStopMoment& moment) noexcept
{
    int64_t expected = 0;
    // The first asking counts: a second STOP does not stretch the grace.
    moment.compare_exchange_strong(expected, Now());
}

bool TRenderStop::Asked() const noexcept
{
    return FAskedAt.load(std::memory_order_relaxed) != 0 ||
           (FWatched && FWatched->load(std::memory_order_relaxed) != 0) || (FRun && FRun->Asked());
}

bool TRenderStop::GivesUp() const noexcept
{
    if (!Asked())
        return false;
    const int64_t now = Now();
    return GraceOver(&FAskedAt, now) || GraceOver(FWatched, now) || (FRun && FRun->GivesUp());
}

void TRenderStop::ThrowIfGivenUp() const
{
    if (GivesUp())
        throw EPictureGivenUp();
}
