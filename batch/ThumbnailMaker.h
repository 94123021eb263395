#pragma once
// Where a batch run gets each item's thumbnail: made on the spot by the run's
// own thread, or made ahead by worker threads while the run writes the archive.

#include "ThumbnailRecipe.h"

#include <functional>
#include <memory>
#include <string>

class IBatchHost;
class TMemoryStream;
class TRenderStop;

class IThumbnailMaker {
public:
    virtual ~IThumbnailMaker() = default;
    // The thumbnail of list item index, made from path with settings. The
    // stream stays valid until the next call.
    virtual TMemoryStream& Make(IBatchHost& host, int index, const std::string& path,
                                const TThumbnailSettings& settings) = 0;

    // Called every few milliseconds while a thumbnail made ahead is waited for.
    std::function<void()> OnWait;
};

// One job makes every thumbnail on the calling thread, unless the maker must
// stay responsive; more use that many workers, or as many as the system lets
// start (the host is told), and the calling thread alone when none starts.
// itemCount is the run's fixed number of items. Pictures are given up when
// the run's stop says so.
std::unique_ptr<IThumbnailMaker> NewThumbnailMaker(IBatchHost& host, int jobs, int itemCount, const TRenderStop& stop,
                                                   bool responsive = false);
