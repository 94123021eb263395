#include "ZipperSetup.h"

#include "ZipSession.h"

void ConfigureThumbnailZipper(TAbZipper& zipper)
{
    zipper.SetAutoSave(true);
    zipper.SetDOSMode(false);
    zipper.SetStoreOptions(AbOption(soStripDrive) | AbOption(soStripPath) | AbOption(soRemoveDots));
}
