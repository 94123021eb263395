#pragma once
// Thumbnails made ahead by worker threads and handed out strictly by list
// index. An order says what to make for one item; a result made for any other
// order is never handed out.

#include "MemoryStream.h"
#include "RenderStop.h"
#include "ThumbnailRecipe.h"

#include <condition_variable>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct TRenderOrder {
    int Index = 0;
    std::string Path;
    TThumbnailSettings Settings;
    bool operator==(const TRenderOrder&) const = default;
};

class TRenderAhead;

// A thumbnail handed out; it counts as in flight until it is let go.
class TTakenThumbnail {
public:
    TTakenThumbnail() = default;
    TTakenThumbnail(TRenderAhead* owner, std::unique_ptr<TMemoryStream> stream);
    ~TTakenThumbnail();
    TTakenThumbnail(TTakenThumbnail&& other) noexcept;
    TTakenThumbnail& operator=(TTakenThumbnail&& other) noexcept;
    TMemoryStream& Stream() { return *FStream; }

private:
    void Release();
    TRenderAhead* FOwner = nullptr;
    std::unique_ptr<TMemoryStream> FStream;
};

// Finished thumbnails that may wait per job. A thumbnail is tens of KB, and
// while one worker decodes a slow picture the others go on this far ahead;
// what decoding holds is bounded by the decode budget instead.
constexpr int ThumbnailsAheadPerJob = 8;

class TRenderAhead {
public:
    // Up to jobs worker threads, as many as the system lets start; at most
    // jobs * (ThumbnailsAheadPerJob + 1) pictures are being made, waiting or
    // handed out at any time. Pictures are given up when the run's stop says so.
    TRenderAhead(int jobs, const TRenderStop& runStop);
    // Gives up what is being made, drops what waits, and joins the workers.
    ~TRenderAhead();
    TRenderAhead(const TRenderAhead&) = delete;
    TRenderAhead& operator=(const TRenderAhead&) = delete;

    // The items to make now, any number; whatever else was planned, made or
    // being made is dropped. Lower indices are made first.
    void Plan(const std::vector<TRenderOrder>& orders);
    // The thumbnail of a planned order, once made; throws what making it threw.
    // While waiting, idle (if given) runs every few milliseconds. An order
    // not yet begun when the run's stop gives up throws EPictureGivenUp.
    TTakenThumbnail Take(const TRenderOrder& order, const std::function<void()>& idle = {});

    // The workers that could be started, and the system's reason when fewer
    // than asked (empty otherwise). With none, nothing is made.
    int Workers() const { return static_cast<int>(FWorkers.size()); }
    const std::string& StartFailure() const { return FStartFailure; }

    int InFlight() const;
    int PeakInFlight() const;

private:
    friend class TTakenThumbnail;
    struct TJob;

    void Work();
    void Make(TJob& job, std::unique_ptr<TBitmap>& bitmap);
    std::shared_ptr<TJob> NextQueued() const;
    std::shared_ptr<TJob> NewJob(const TRenderOrder& order) const;
    void Drop(const std::shared_ptr<TJob>& job);
    void LetGo();

    int FLimit = 0;
    const TRenderStop& FRunStop;
    std::string FStartFailure;
    mutable std::mutex FLock;
    std::condition_variable FWork;
    std::condition_variable FMade;
    std::map<int, std::shared_ptr<TJob>> FPlanned;
    int FInFlight = 0;
    int FPeakInFlight = 0;
    bool FClosing = false;
    std::vector<std::thread> FWorkers;
};
