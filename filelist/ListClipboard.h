#pragma once
// The program's own clipboard object: the list text under a private format,
// with the same bytes offered as plain text.

#include "Clipboard.h"

#include <cstdint>
#include <string>

class TListClipboard : public TClipboard {
public:
    explicit TListClipboard(TClipboardBackend& backend);

    // Puts the text, zero-terminated, as plain text and under format.
    void SetFormatText(uint16_t format, const std::string& text);
    void SetMyText(const std::string& text);
    // Reads the private block up to its first zero byte; leaves text as it
    // was when the clipboard holds no private block.
    void GetMyText(std::string& text);

    // Registered in this order at construction; only FListFormat is used.
    uint16_t FRtfFormat = 0;
    uint16_t FHtmlFormat = 0;
    uint16_t FSpottyDogFormat = 0;
    uint16_t FListFormat = 0;
};
