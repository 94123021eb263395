#pragma once
// The kinds of picture file a thumbnail can be made from, told apart by their
// first bytes, and the file name extensions each kind goes by.

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

enum class TPictureKind { pkUnknown, pkJpeg, pkPng, pkWebp, pkTiff, pkHeif, pkAvif, pkRaw };

// What the bytes hold; pkUnknown when no kind recognises them.
TPictureKind PictureKindOfContent(std::span<const uint8_t> file);
// The kind a file name's extension stands for, letter case ignored: the whole
// text after the last dot of the bare name against each listed extension.
TPictureKind PictureKindOfName(std::string_view path);
// The text after the last dot of the bare name; empty without a dot.
std::string_view NameExtension(std::string_view path);
// Every listed extension, lower case, in the table's order.
std::vector<std::string> PictureExtensions();
