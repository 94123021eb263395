#pragma once
// The order file managers show a folder in.

#include <string>
#include <vector>

// True when a comes before b: letter case ignored (ASCII letters), runs of
// digits compared as numbers, so "IMG_2" comes before "IMG_10"; names equal so
// far go by their bytes.
bool NaturalLess(const std::string& a, const std::string& b);

void SortNaturally(std::vector<std::string>& names);
