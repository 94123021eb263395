#include "DecodeBudget.h"

#include "JPEGImage.h"
#include "JpegCodec.h"
#include "RenderStop.h"

#include <algorithm>
#include <chrono>

TDecodeBudget::TDecodeBudget(int64_t total) : FTotal(std::max<int64_t>(total, 1)) {}

int64_t TDecodeBudget::InUse() const
{
    std::lock_guard<std::mutex> lock(FLock);
    return FInUse;
}

int64_t TDecodeBudget::PeakInUse() const
{
    std::lock_guard<std::mutex> lock(FLock);
    return FPeak;
}

int64_t TDecodeBudget::Take(int64_t bytes, const TRenderStop* stop)
{
    // How often a waiter looks at its stop: well within the time a stop is answered in.
    constexpr auto StopLook = std::chrono::milliseconds(20);
    const int64_t wanted = std::clamp<int64_t>(bytes, 0, FTotal);
    std::unique_lock<std::mutex> lock(FLock);
    // First come, first served: a large picture is not passed over for ever by small ones.
    const uint64_t ticket = FNextTicket++;
    FLine.push_back(ticket);
    const auto fits = [&] { return FLine.front() == ticket && FInUse + wanted <= FTotal; };
    while (!fits()) {
        if (!stop) {
            FRoom.wait(lock);
        } else if (!FRoom.wait_for(lock, StopLook, fits) && stop->GivesUp()) {
            FLine.erase(std::find(FLine.begin(), FLine.end(), ticket));
            lock.unlock();
            FRoom.notify_all();  // the next in line may be first now
            throw EPictureGivenUp();
        }
    }
    FLine.pop_front();
    FInUse += wanted;
    FPeak = std::max(FPeak, FInUse);
    lock.unlock();
    FRoom.notify_all();  // the next in line may fit beside this one
    return wanted;
}

bool TDecodeBudget::TryTake(int64_t bytes)
{
    const int64_t wanted = std::max<int64_t>(bytes, 0);
    std::lock_guard<std::mutex> lock(FLock);
    if (!FLine.empty() || FInUse + wanted > FTotal)
        return false;
    FInUse += wanted;
    FPeak = std::max(FPeak, FInUse);
    return true;
}

void TDecodeBudget::Give(int64_t bytes)
{
    {
        std::lock_guard<std::mutex> lock(FLock);
        FInUse -= bytes;
    }
    FRoom.notify_all();
}

TDecodeBudget& SharedDecodeBudget()
{
    static TDecodeBudget budget(JpegPictureMemoryCap);
    return budget;
}

int64_t RenderMemoryEstimate(const TJPEGImage& image)
{
    const TJPEGData* data = image.Data();
    if (!data)
        return 0;
    // Row buffers of the decoder: a few block rows of every component at full width.
    const int64_t rowBuffers = int64_t{64} * 2 * (int64_t{data->Width} + 64) * std::max(data->Components, 1);
    // The decoded picture, the work copy of it and one more while it is
    // turned or resampled, each at most 3 bytes a pixel.
    const int64_t pictures = int64_t{3} * 3 * image.Width() * int64_t{image.Height()};
    return data->HeldBytes() + data->CoefficientBytes + rowBuffers + pictures;
}
