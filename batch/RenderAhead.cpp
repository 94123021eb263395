#include "RenderAhead.h"

#include "BitmapTools.h"
#include "FileIdentity.h"

#include <algorithm>
#include <chrono>
#include <system_error>
#include <utility>

enum class TJobState { jsQueued, jsMaking, jsMade };

struct TRenderAhead::TJob {
    TJob(const TRenderOrder& order, const TRenderStop& runStop) : Order(order), Stop(&runStop) {}
    TRenderOrder Order;
    TRenderStop Stop;  // asked at once when the job is dropped
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

TRenderAhead::TRenderAhead(int jobs, const TRenderStop& runStop) : FRunStop(runStop)
{
    // A system out of threads or address space still runs with the workers it gave.
    FWorkers.reserve(static_cast<size_t>(std::max(jobs, 1)));
    for (int k = 0; k < std::max(jobs, 1); ++k) {
        try {
            FWorkers.emplace_back([this] { Work(); });
        } catch (const std::system_error& e) {
            FStartFailure = SystemErrorText(e.code().value());
            break;
        }
    }
    std::lock_guard<std::mutex> lock(FLock);
    FLimit = std::max(Workers(), 1) * (ThumbnailsAheadPerJob + 1);
}

TRenderAhead::~TRenderAhead()
{
    {
        std::lock_guard<std::mutex> lock(FLock);
        FClosing = true;
        for (const auto& [index, job] : FPlanned)
            job->Stop.AskAtOnce();
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

std::shared_ptr<TRenderAhead::TJob> TRenderAhead::NewJob(const TRenderOrder& order) const
{
    return std::make_shared<TJob>(order, FRunStop);
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
    std::unique_ptr<TBitmap> bitmap;
    std::unique_lock<std::mutex> lock(FLock);
    for (;;) {
        std::shared_ptr<TJob> job;
        FWork.wait(lock, [&] { return FClosing || (FInFlight < FLimit && (job = NextQueued())); });
        if (FClosing)
            return;
        job->State = TJobState::jsMaking;
        FPeakInFlight = std::max(FPeakInFlight, ++FInFlight);
        lock.unlock();
        Make(*job, bitmap);
        lock.lock();
        job->State = TJobState::jsMade;
        if (job->Dropped) {
            job->Result.reset();
            job->Failure = nullptr;
            --FInFlight;
            FWork.notify_all();
        }
        FMade.notify_all();
    }
}

// Whatever fails, out of memory included, is the picture's failure: nothing
// may leave a worker thread.
void TRenderAhead::Make(TJob& job, std::unique_ptr<TBitmap>& bitmap)
{
    try {
        job.Seen = GetFileIdentity(job.Order.Path, job.Identity);
        if (!bitmap)
            bitmap = NewBitmap24();
        job.Result = std::make_unique<TMemoryStream>();
        RenderThumbnailJpeg(job.Order.Path, job.Order.Settings, *bitmap, *job.Result, &job.Stop);
    } catch (...) {
        job.Result.reset();
        job.Failure = std::current_exception();
    }
}

void TRenderAhead::Drop(const std::shared_ptr<TJob>& job)
{
    if (job->State == TJobState::jsMaking) {
        job->Dropped = true;
        job->Stop.AskAtOnce();
    }
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
            if (FPlanned.find(order.Index) == FPlanned.end())
                FPlanned.emplace(order.Index, NewJob(order));
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
        found = FPlanned.emplace(order.Index, NewJob(order)).first;
        FWork.notify_all();
    }
    const std::shared_ptr<TJob> job = found->second;
    const auto forget = [&] {
        const auto still = FPlanned.find(order.Index);
        if (still != FPlanned.end() && still->second == job)
            FPlanned.erase(still);
    };
    using TClock = std::chrono::steady_clock;
    constexpr auto IdleEvery = std::chrono::milliseconds(5);
    constexpr auto StopLook = std::chrono::milliseconds(20);
    auto nextIdle = TClock::now() + IdleEvery;
    while (job->State != TJobState::jsMade) {
        // A job being made gives itself up; one still waiting for a worker is given up here.
        if (job->State == TJobState::jsQueued && FRunStop.GivesUp()) {
            forget();
            throw EPictureGivenUp();
        }
        FMade.wait_until(lock, idle ? nextIdle : TClock::now() + StopLook);
        if (idle && job->State != TJobState::jsMade && TClock::now() >= nextIdle) {
            lock.unlock();
            idle();
            lock.lock();
            nextIdle = TClock::now() + IdleEvery;
        }
    }
    forget();
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
