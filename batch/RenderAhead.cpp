#include "RenderAhead.h"

#include "BitmapTools.h"
#include "FileIdentity.h"

#include <algorithm>
#include <chrono>
#include <utility>

enum class TJobState { jsQueued, jsMaking, jsMade };

struct TRenderAhead::TJob {
    TRenderOrder Order;
    TJobState State = TJobState::jsQueued;
    bool Dropped = false;  // no longer planned while being made: its result goes
    std::unique_ptr<TMemoryStream> Result;
    std::exception_ptr Failure;
    bool Seen = false;  // the file as it was when making began
    TFileIdentity Identity;
};

namespace {

// A file replaced or deleted since its thumbnail was made ahead is read again,
// as a run on one thread would read it at its turn.
bool FileUnchanged(const std::string& path, bool seen, const TFileIdentity& identity)
{
    TFileIdentity now;
    const bool present = GetFileIdentity(path, now);
    return present == seen && (!present || now == identity);
}

}  // namespace

TTakenThumbnail::TTakenThumbnail(TRenderAhead* owner, std::unique_ptr<TMemoryStream> stream)
    : FOwner(owner), FStream(std::move(stream))
{
}

TTakenThumbnail::~TTakenThumbnail()
{
    Release();
}

TTakenThumbnail::TTakenThumbnail(TTakenThumbnail&& other) noexcept
    : FOwner(std::exchange(other.FOwner, nullptr)), FStream(std::move(other.FStream))
{
}

TTakenThumbnail& TTakenThumbnail::operator=(TTakenThumbnail&& other) noexcept
{
    if (this != &other) {
        Release();
        FOwner = std::exchange(other.FOwner, nullptr);
        FStream = std::move(other.FStream);
    }
    return *this;
}

void TTakenThumbnail::Release()
{
    FStream.reset();
    if (FOwner)
        std::exchange(FOwner, nullptr)->LetGo();
}

TRenderAhead::TRenderAhead(int jobs) : FLimit(std::max(jobs, 1) + 1)
{
    for (int k = 0; k < std::max(jobs, 1); ++k)
        FWorkers.emplace_back([this] { Work(); });
}

TRenderAhead::~TRenderAhead()
{
    {
        std::lock_guard<std::mutex> lock(FLock);
        FClosing = true;
        FPlanned.clear();
    }
    FWork.notify_all();
    for (auto& worker : FWorkers)
        worker.join();
}

int TRenderAhead::InFlight() const
{
    std::lock_guard<std::mutex> lock(FLock);
    return FInFlight;
}

int TRenderAhead::PeakInFlight() const
{
    std::lock_guard<std::mutex> lock(FLock);
    return FPeakInFlight;
}

std::shared_ptr<TRenderAhead::TJob> TRenderAhead::NextQueued() const
{
    for (const auto& [index, job] : FPlanned)
        if (job->State == TJobState::jsQueued)
            return job;
    return nullptr;
}

void TRenderAhead::Work()
{
    // Each worker reuses its own bitmap, as a one-thread run reuses the work bitmap.
    std::unique_ptr<TBitmap> bitmap = NewBitmap24();
    std::unique_lock<std::mutex> lock(FLock);
    for (;;) {
        std::shared_ptr<TJob> job;
        FWork.wait(lock, [&] { return FClosing || (FInFlight < FLimit && (job = NextQueued())); });
        if (FClosing)
            return;
        job->State = TJobState::jsMaking;
        FPeakInFlight = std::max(FPeakInFlight, ++FInFlight);
        lock.unlock();

        auto stream = std::make_unique<TMemoryStream>();
        TFileIdentity identity;
        const bool seen = GetFileIdentity(job->Order.Path, identity);
        std::exception_ptr failure;
        try {
            RenderThumbnailJpeg(job->Order.Path, job->Order.Settings, *bitmap, *stream);
        } catch (...) {
            failure = std::current_exception();
        }

        lock.lock();
        job->State = TJobState::jsMade;
        if (job->Dropped) {
            --FInFlight;
            FWork.notify_all();
        } else {
            job->Result = std::move(stream);
            job->Failure = failure;
            job->Seen = seen;
            job->Identity = identity;
        }
        FMade.notify_all();
    }
}

void TRenderAhead::Drop(const std::shared_ptr<TJob>& job)
{
    if (job->State == TJobState::jsMaking)
        job->Dropped = true;
    else if (job->State == TJobState::jsMade) {
        job->Result.reset();
        --FInFlight;
        FWork.notify_all();
    }
}

void TRenderAhead::Plan(const std::vector<TRenderOrder>& orders)
{
    {
        std::lock_guard<std::mutex> lock(FLock);
        for (auto it = FPlanned.begin(); it != FPlanned.end();) {
            const auto wanted = std::find(orders.begin(), orders.end(), it->second->Order);
            if (wanted == orders.end()) {
                Drop(it->second);
                it = FPlanned.erase(it);
            } else {
                ++it;
            }
        }
        for (const auto& order : orders)
            if (FPlanned.find(order.Index) == FPlanned.end()) {
                auto job = std::make_shared<TJob>();
                job->Order = order;
                FPlanned.emplace(order.Index, std::move(job));
            }
    }
    FWork.notify_all();
}

TTakenThumbnail TRenderAhead::Take(const TRenderOrder& order, const std::function<void()>& idle)
{
    std::unique_lock<std::mutex> lock(FLock);
    auto found = FPlanned.find(order.Index);
    if (found != FPlanned.end() && found->second->State == TJobState::jsMade &&
        !FileUnchanged(order.Path, found->second->Seen, found->second->Identity)) {
        Drop(found->second);
        FPlanned.erase(found);
        found = FPlanned.end();
    }
    if (found == FPlanned.end() || !(found->second->Order == order)) {
        if (found != FPlanned.end()) {
            Drop(found->second);
            FPlanned.erase(found);
        }
        auto fresh = std::make_shared<TJob>();
        fresh->Order = order;
        found = FPlanned.emplace(order.Index, std::move(fresh)).first;
        FWork.notify_all();
    }
    const std::shared_ptr<TJob> job = found->second;
    using TClock = std::chrono::steady_clock;
    constexpr auto IdleEvery = std::chrono::milliseconds(5);
    auto nextIdle = TClock::now() + IdleEvery;
    while (job->State != TJobState::jsMade) {
        if (!idle) {
            FMade.wait(lock);
            continue;
        }
        FMade.wait_until(lock, nextIdle);
        if (job->State != TJobState::jsMade && TClock::now() >= nextIdle) {
            lock.unlock();
            idle();
            lock.lock();
            nextIdle = TClock::now() + IdleEvery;
        }
    }
    const auto still = FPlanned.find(order.Index);
    if (still != FPlanned.end() && still->second == job)
        FPlanned.erase(still);
    if (job->Failure) {
        --FInFlight;
        FWork.notify_all();
        std::rethrow_exception(job->Failure);
    }
    return TTakenThumbnail(this, std::move(job->Result));
}

void TRenderAhead::LetGo()
{
    {
        std::lock_guard<std::mutex> lock(FLock);
        --FInFlight;
    }
    FWork.notify_all();
}
