#include "ThumbnailMaker.h"

#include "BatchRun.h"
#include "BitmapTools.h"
#include "MemoryStream.h"
#include "RenderAhead.h"

#include <algorithm>
#include <vector>

namespace {

// The one work bitmap and work stream serve the whole run.
class TMakeOnTheSpot : public IThumbnailMaker {
public:
    explicit TMakeOnTheSpot(const TRenderStop& stop) : FStop(stop) {}

    TMemoryStream& Make(IBatchHost&, int, const std::string& path, const TThumbnailSettings& settings) override
    {
        RenderThumbnailJpeg(path, settings, *FWorkBitmap, FWorkStream, &FStop);
        return FWorkStream;
    }

private:
    const TRenderStop& FStop;
    std::unique_ptr<TBitmap> FWorkBitmap = NewBitmap24();
    TMemoryStream FWorkStream;
};

class TMakeAhead : public IThumbnailMaker {
public:
    TMakeAhead(int jobs, int itemCount, const TRenderStop& stop) : FItemCount(itemCount), FAhead(jobs, stop) {}

    int Workers() const { return FAhead.Workers(); }
    const std::string& StartFailure() const { return FAhead.StartFailure(); }

    TMemoryStream& Make(IBatchHost& host, int index, const std::string& path,
                        const TThumbnailSettings& settings) override
    {
        FCurrent = TTakenThumbnail();
        const TRenderOrder order{index, path, settings};
        FAhead.Plan(OrdersFrom(host, order));
        FCurrent = FAhead.Take(order, [this, &host] {
            if (OnWait)
                OnWait();
            host.KeepResponsive();
        });
        return FCurrent.Stream();
    }

private:
    // This item, and the next ones as the list and the settings stand now.
    // Whatever changes before an item's turn is made again then.
    std::vector<TRenderOrder> OrdersFrom(IBatchHost& host, const TRenderOrder& current) const
    {
        std::vector<TRenderOrder> orders{current};
        const int ahead = FAhead.Workers() * ThumbnailsAheadPerJob;
        const int last = std::min({current.Index + ahead, FItemCount - 1, host.ListCount() - 1});
        for (int j = current.Index + 1; j <= last; ++j)
            orders.push_back({j, host.PeekEntry(j), current.Settings});
        return orders;
    }

    const int FItemCount;
    TRenderAhead FAhead;
    TTakenThumbnail FCurrent;  // let go before the workers are joined
};

}  // namespace

std::unique_ptr<IThumbnailMaker> NewThumbnailMaker(IBatchHost& host, int jobs, int itemCount, const TRenderStop& stop,
                                                   bool responsive)
{
    jobs = std::max(jobs, 1);
    if (jobs == 1 && !responsive)
        return std::make_unique<TMakeOnTheSpot>(stop);
    auto ahead = std::make_unique<TMakeAhead>(jobs, itemCount, stop);
    if (ahead->Workers() < jobs)
        host.WorkersMissing(ahead->Workers(), jobs, ahead->StartFailure());
    // Without a worker the run's own thread makes every thumbnail.
    if (ahead->Workers() == 0)
        return std::make_unique<TMakeOnTheSpot>(stop);
    return ahead;
}
