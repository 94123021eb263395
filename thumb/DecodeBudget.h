#pragma once
// Pictures decoded at the same time share one memory budget, as large as what
// libjpeg may take for a single picture: however many are made at once, they
// hold together about what one may hold alone.

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>

class TJPEGImage;
class TRenderStop;

class TDecodeBudget {
public:
    explicit TDecodeBudget(int64_t total);
    TDecodeBudget(const TDecodeBudget&) = delete;
    TDecodeBudget& operator=(const TDecodeBudget&) = delete;

    int64_t Total() const { return FTotal; }
    int64_t InUse() const;
    int64_t PeakInUse() const;

    // Waits, in the order asked, until the bytes fit beside what others hold.
    // A request above the total takes the whole budget, so it still runs once
    // alone. Returns what was taken. Gives up (EPictureGivenUp) when the stop
    // does while it waits, and leaves its place in the line to the next.
    int64_t Take(int64_t bytes, const TRenderStop* stop = nullptr);
    // Takes the bytes only when they fit now and nobody waits before them.
    bool TryTake(int64_t bytes);
    void Give(int64_t bytes);

private:
    const int64_t FTotal;
    mutable std::mutex FLock;
    std::condition_variable FRoom;
    int64_t FInUse = 0;
    int64_t FPeak = 0;
    uint64_t FNextTicket = 0;
    std::deque<uint64_t> FLine;  // tickets waiting, first served first
};

// Room taken from a budget for as long as it is in scope.
class TDecodeRoom {
public:
    TDecodeRoom(TDecodeBudget& budget, int64_t bytes, const TRenderStop* stop = nullptr)
        : FBudget(budget), FTaken(budget.Take(bytes, stop))
    {
    }
    // Room already taken with TryTake.
    struct TAlreadyTaken {
        int64_t Bytes;
    };
    TDecodeRoom(TDecodeBudget& budget, TAlreadyTaken taken) : FBudget(budget), FTaken(taken.Bytes) {}
    ~TDecodeRoom() { FBudget.Give(FTaken); }
    TDecodeRoom(const TDecodeRoom&) = delete;
    TDecodeRoom& operator=(const TDecodeRoom&) = delete;
    int64_t Taken() const { return FTaken; }

private:
    TDecodeBudget& FBudget;
    const int64_t FTaken;
};

// The one budget every thumbnail of this process draws on.
TDecodeBudget& SharedDecodeBudget();

// The most that making a thumbnail of a loaded picture at its present scale
// holds at once: the file's bytes held, libjpeg's work memory, the decoded
// picture and the copies shaping makes of it. Read from the header alone.
int64_t RenderMemoryEstimate(const TJPEGImage& image);
