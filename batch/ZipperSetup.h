#pragma once
// The archive session as the thumbnail batch needs it: every entry stored
// under its bare name, the file rewritten after every add.

class TAbZipper;

void ConfigureThumbnailZipper(TAbZipper& zipper);
