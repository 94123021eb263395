#pragma once
// The system clipboard as the list editing keys see it: formats registered by
// name, open and close that nest, and blocks of bytes put, tested and read.

#include <cstdint>
#include <string>
#include <vector>

// The predefined 8-bit text format, zero-terminated like a C string.
constexpr uint16_t CF_TEXT = 1;

// Registers a format name for the whole process and returns its id. Names are
// compared without regard to case, so "My format" and "My Format" give one id;
// the same name always gives the same id. An empty name gives 0 (no format).
uint16_t RegisterClipboardFormat(const std::string& name);

// The lower-cased name a registered id stands for; "" for CF_TEXT and unknown ids.
std::string ClipboardFormatName(uint16_t format);

// What a concrete clipboard does; TClipboard adds the counting and the order.
class TClipboardBackend {
public:
    virtual ~TClipboardBackend() = default;
    // Takes the system clipboard for one outermost opening; false when it cannot be had.
    virtual bool Acquire() = 0;
    // Ends the outermost opening; what was written becomes visible to others.
    virtual void Release() = 0;
    virtual void Empty() = 0;
    // formatName is ClipboardFormatName(format), "" for CF_TEXT.
    virtual void Put(uint16_t format, const std::string& formatName, const std::vector<uint8_t>& bytes) = 0;
    virtual bool Has(uint16_t format, const std::string& formatName) = 0;
    virtual std::vector<uint8_t> Get(uint16_t format, const std::string& formatName) = 0;
};

class TClipboard {
public:
    explicit TClipboard(TClipboardBackend& backend);
    virtual ~TClipboard();
    TClipboard(const TClipboard&) = delete;
    TClipboard& operator=(const TClipboard&) = delete;

    uint16_t RegisterFormat(const std::string& name) { return RegisterClipboardFormat(name); }

    // Only the outermost pair really opens and closes. Open throws
    // Exception("Cannot open clipboard") when the system clipboard cannot be had.
    void Open();
    void Close();
    void Clear();

    // The first write of an opening empties the clipboard.
    void SetData(uint16_t format, const std::vector<uint8_t>& bytes);
    // Needs no opening.
    bool HasFormat(uint16_t format);
    std::vector<uint8_t> GetData(uint16_t format);

    int OpenCount() const { return FOpenRefCount; }

private:
    void Adding();

    TClipboardBackend& FBackend;
    int FOpenRefCount = 0;
    bool FEmptied = false;
};
