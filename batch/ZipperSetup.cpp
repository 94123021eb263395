#include "ZipperSetup.h"

#include "ZipSession.h"

void ConfigureThumbnailZipper(TZipper& zipper)
{
    zipper.SetAutoSave(true);
    zipper.SetDOSMode(false);
    zipper.SetStoreOptions(StoreOptionBit(soStripDrive) | StoreOptionBit(soStripPath) | StoreOptionBit(soRemoveDots));
}
