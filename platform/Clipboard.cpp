#include "Clipboard.h"

#include "Errors.h"

#include <algorithm>
#include <cctype>
#include <map>
#include <mutex>

namespace {

// Registered ids live above the predefined ones, as on the desktop the
// program came from; the range leaves room for 16384 names.
constexpr uint16_t FirstRegisteredFormat = 0xC000;

struct TFormatRegistry {
    std::mutex Lock;
    std::map<std::string, uint16_t> IdByName;
    std::map<uint16_t, std::string> NameById;
};

TFormatRegistry& Registry()
{
    static TFormatRegistry registry;
    return registry;
}

std::string LowerCase(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// Closes an opening on every path out of a clipboard operation.
class TOpening {
public:
    explicit TOpening(TClipboard& clipboard) : FClipboard(clipboard) { FClipboard.Open(); }
    ~TOpening() { FClipboard.Close(); }
    TOpening(const TOpening&) = delete;
    TOpening& operator=(const TOpening&) = delete;

private:
    TClipboard& FClipboard;
};

} // namespace

uint16_t RegisterClipboardFormat(const std::string& name)
{
    if (name.empty())
        return 0;
    const std::string key = LowerCase(name);
    TFormatRegistry& registry = Registry();
    std::lock_guard<std::mutex> guard(registry.Lock);
    auto found = registry.IdByName.find(key);
    if (found != registry.IdByName.end())
        return found->second;
    const size_t count = registry.IdByName.size();
    if (count > 0xFFFFu - FirstRegisteredFormat)
        return 0;
    const auto id = static_cast<uint16_t>(FirstRegisteredFormat + count);
    registry.IdByName.emplace(key, id);
    registry.NameById.emplace(id, key);
    return id;
}

std::string ClipboardFormatName(uint16_t format)
{
    TFormatRegistry& registry = Registry();
    std::lock_guard<std::mutex> guard(registry.Lock);
    auto found = registry.NameById.find(format);
    return found == registry.NameById.end() ? std::string() : found->second;
}

TClipboard::TClipboard(TClipboardBackend& backend) : FBackend(backend) {}

TClipboard::~TClipboard()
{
    // An opening left behind by a caller must not keep the system clipboard.
    if (FOpenRefCount > 0) {
        FOpenRefCount = 0;
        try {
            FBackend.Release();
        } catch (...) {
        }
    }
}

void TClipboard::Open()
{
    if (FOpenRefCount == 0) {
        if (!FBackend.Acquire())
            throw Exception("Cannot open clipboard");
        FEmptied = false;
    }
    ++FOpenRefCount;
}

void TClipboard::Close()
{
    if (FOpenRefCount == 0)
        return;
    if (--FOpenRefCount == 0)
        FBackend.Release();
}

void TClipboard::Clear()
{
    TOpening opening(*this);
    FBackend.Empty();
}

void TClipboard::Adding()
{
    if (FOpenRefCount != 0 && !FEmptied) {
        Clear();
        FEmptied = true;
    }
}

void TClipboard::SetData(uint16_t format, const std::vector<uint8_t>& bytes)
{
    TOpening opening(*this);
    Adding();
    FBackend.Put(format, ClipboardFormatName(format), bytes);
}

bool TClipboard::HasFormat(uint16_t format)
{
    if (format == 0)
        return false;
    return FBackend.Has(format, ClipboardFormatName(format));
}

std::vector<uint8_t> TClipboard::GetData(uint16_t format)
{
    TOpening opening(*this);
    return FBackend.Get(format, ClipboardFormatName(format));
}
