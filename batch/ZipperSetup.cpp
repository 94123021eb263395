#include "ZipperSetup.h"

#include "ZipSession.h"

void ConfigureThumbnailZipper(TZipper& zipper)
{
    zipper.SetAutoSave(true);
    zipper.SetDOSMode(false);
    zipper.SetStoreOptions(StoreOptionBit(soStripDrive) | StoreOptionBit(soStripPath) | StoreOptionBit(soRemoveDots));
    // A large archive's directory would otherwise be written again for every picture.
    zipper.SetGroupCommits(true);
}
