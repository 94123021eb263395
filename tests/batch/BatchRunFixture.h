#pragma once
// A scratch folder with generated pictures, a session set up as the window
// has it, a run over it and a fake window.

#include "ZipSession.h"
#include "BatchRun.h"
#include "FakeBatchHost.h"
#include "JpegDecode.h"
#include "JpegFixtures.h"
#include "ZipListing.h"
#include "ZipperSetup.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <sys/stat.h>
#include <vector>

class BatchRunFixture : public ::testing::Test {
protected:
    BatchRunFixture() : Run(Zipper)
    {
        ConfigureThumbnailZipper(Zipper);
        Host.Archive = Dir.File("thumbs.zip");
    }

    // A picture at the scratch folder's relative path (sub-folders made as needed).
    std::string Picture(const std::string& relative, int width = 320, int height = 240,
                        TJpegKind kind = TJpegKind::Baseline)
    {
        return Dir.Picture(relative, width, height, kind);
    }

    // Pictures p1.jpg .. pN.jpg listed in order.
    void ListPictures(int count)
    {
        for (int k = 1; k <= count; ++k) {
            const std::string number = std::to_string(k);
            Host.List.push_back(Picture("p" + number + ".jpg"));
        }
    }

    TZipListing Archive() const { return ReadZipListing(Host.Archive); }

    static TDecodedJpeg Thumbnail(const TZipListing& listing, const std::string& name)
    {
        const TListedEntry* entry = listing.Find(name);
        if (!entry)
            throw std::runtime_error("no entry " + name);
        return DecodeJpeg(listing.Extract(*entry));
    }

    static std::string MessageOf(const std::function<void()>& action)
    {
        try {
            action();
        } catch (const Exception& e) {
            return e.Message();
        }
        return "(no exception)";
    }

    TTempDir Dir;
    TZipper Zipper;
    TBatchRun Run;
    TFakeBatchHost Host;
};
