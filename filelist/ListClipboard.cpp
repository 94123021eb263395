#include "ListClipboard.h"

#include <algorithm>
#include <vector>

namespace {

std::vector<uint8_t> ZeroTerminated(const std::string& text)
{
    std::vector<uint8_t> bytes(text.begin(), text.end());
    bytes.push_back(0);
    return bytes;
}

} // namespace

TListClipboard::TListClipboard(TClipboardBackend& backend)
    : TClipboard(backend),
      FRtfFormat(RegisterFormat("Rich Text Format")),
      FHtmlFormat(RegisterFormat("HTML Format")),
      FSpottyDogFormat(RegisterFormat("Spotty Dog")),
      FListFormat(RegisterFormat("My Format"))
{
}

void TListClipboard::SetFormatText(uint16_t format, const std::string& text)
{
    const std::vector<uint8_t> bytes = ZeroTerminated(text);
    Open();
    try {
        SetData(CF_TEXT, bytes);
        SetData(format, bytes);
    } catch (...) {
        Close();
        throw;
    }
    Close();
}

void TListClipboard::SetMyText(const std::string& text)
{
    SetFormatText(FListFormat, text);
}

void TListClipboard::GetMyText(std::string& text)
{
    Open();
    try {
        if (HasFormat(FListFormat)) {
            const std::vector<uint8_t> bytes = GetData(FListFormat);
            // A block from another program may lack the zero; never read past its end.
            const auto end = std::find(bytes.begin(), bytes.end(), uint8_t{0});
            text.assign(bytes.begin(), end);
        }
    } catch (...) {
        Close();
        throw;
    }
    Close();
}
