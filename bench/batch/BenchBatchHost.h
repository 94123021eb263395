#pragma once
// What both batch benchmarks run on: a host that only hands out the list,
// many names linked to a few distinct pictures, so that a long list costs
// little disk, and runs in a child process, measured from outside.

#include "BenchSupport.h"
#include "BatchRun.h"
#include "ZipSession.h"
#include "ZipperSetup.h"

#include <unistd.h>

#include <cstdio>
#include <stdexcept>
#include <string>
#include <vector>

class TBenchHost : public IBatchHost {
public:
    TBenchHost(std::string archive, const std::vector<std::string>& list) : FArchive(std::move(archive)), FList(list) {}
    std::string ArchiveName() override { return FArchive; }
    bool ClearTicked() override { return true; }
    int ListCount() override { return static_cast<int>(FList.size()); }
    std::string ListEntry(int index) override { return FList.at(static_cast<size_t>(index)); }
    TThumbnailSettings ReadSettings() override { return {}; }
    void SetCaption(const std::string&) override {}
    void SetProgressMax(int) override {}
    void SetProgressPosition(int position) override { FPosition = position; }
    int ProgressPosition() override { return FPosition; }
    void ProcessMessages() override {}

private:
    std::string FArchive;
    const std::vector<std::string>& FList;
    int FPosition = 0;
};

// `count` names IMG_00000.jpg ... in `folder`, each a hard link to the
// sources in turn.
inline std::vector<std::string> LinkedPictures(const std::string& folder, const std::vector<std::string>& sources,
                                               int count)
{
    std::vector<std::string> paths;
    for (int i = 0; i < count; ++i) {
        char name[32];
        std::snprintf(name, sizeof name, "/IMG_%05d.jpg", i);
        paths.push_back(folder + name);
        if (::link(sources[static_cast<size_t>(i) % sources.size()].c_str(), paths.back().c_str()) != 0)
            throw std::runtime_error("cannot link " + paths.back());
    }
    return paths;
}

// One batch run of list into archive with `jobs` jobs, in a child process.
inline TChildRun BatchInChild(const std::string& archive, const std::vector<std::string>& list, int jobs)
{
    return InChild([&] {
        try {
            TZipper zipper;
            ConfigureThumbnailZipper(zipper);
            TBatchRun run(zipper, jobs);
            TBenchHost host(archive, list);
            run.Go(host);
            return 0;
        } catch (...) {
            return 1;
        }
    });
}
