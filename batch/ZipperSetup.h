#pragma once
// The archive session as the thumbnail batch needs it: every entry stored
// under its bare name, the file rewritten after every add.

class TZipper;

void ConfigureThumbnailZipper(TZipper& zipper);
