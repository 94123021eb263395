#pragma once
// The filter text of the JPEG picture class, which decides what a drop takes.

#include <string>

const std::string& JpegFilterText();
