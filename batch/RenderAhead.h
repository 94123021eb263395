#pragma once
// Thumbnails made ahead by worker threads and handed out strictly by list
// index. An order says what to make for one item; a result made for any other
// order is never handed out.

#include "MemoryStream.h"
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

class TRenderAhead {
public:
    // jobs worker threads; at most jobs + 1 pictures are being made, waiting
    // or handed out at any time.
    explicit TRenderAhead(int jobs);
    // Drops what waits to be made and waits for what is being made.
    ~TRenderAhead();
    TRenderAhead(const TRenderAhead&) = delete;
    TRenderAhead& operator=(const TRenderAhead&) = delete;

    // The items to make now, any number; whatever else was planned, made or
    // being made is dropped. Lower indices are made first.
    void Plan(const std::vector<TRenderOrder>& orders);
    // The thumbnail of a planned order, once made; throws what making it threw.
    // While waiting, idle (if given) runs every few milliseconds.
    TTakenThumbnail Take(const TRenderOrder& order, const std::function<void()>& idle = {});

    int InFlight() const;
    int PeakInFlight() const;

private:
    friend class TTakenThumbnail;
    struct TJob;

    void Work();
    std::shared_ptr<TJob> NextQueued() const;
    void Drop(const std::shared_ptr<TJob>& job);
    void LetGo();

    const int FLimit;
    mutable std::mutex FLock;
    std::condition_variable FWork;
    std::condition_variable FMade;
    std::map<int, std::shared_ptr<TJob>> FPlanned;
    int FInFlight = 0;
    int FPeakInFlight = 0;
    bool FClosing = false;
    std::vector<std::thread> FWorkers;
};
