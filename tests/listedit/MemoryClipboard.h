#pragma once
// An in-process clipboard that records how it is used, for tests without a display.

#include "Clipboard.h"

#include <map>
#include <stdexcept>
#include <string>
#include <vector>

class TMemoryClipboard : public TClipboardBackend {
public:
    bool Acquire() override
    {
        if (Locked)
            return false;
        ++Acquires;
        Held = true;
        return true;
    }
    void Release() override
    {
        ++Releases;
        Held = false;
    }
    void Empty() override
    {
        ++Empties;
        Blocks.clear();
    }
    void Put(uint16_t format, const std::string&, const std::vector<uint8_t>& bytes) override
    {
        if (FailPut)
            throw std::runtime_error("put failed");
        if (!Held)
            throw std::logic_error("put while the clipboard is not open");
        Blocks[format] = bytes;
    }
    bool Has(uint16_t format, const std::string&) override { return Blocks.count(format) != 0; }
    std::vector<uint8_t> Get(uint16_t format, const std::string&) override
    {
        if (!Held)
            throw std::logic_error("get while the clipboard is not open");
        auto found = Blocks.find(format);
        return found == Blocks.end() ? std::vector<uint8_t>() : found->second;
    }

    std::string Block(uint16_t format) const
    {
        auto found = Blocks.find(format);
        return found == Blocks.end() ? std::string("<absent>")
                                     : std::string(found->second.begin(), found->second.end());
    }

    std::map<uint16_t, std::vector<uint8_t>> Blocks;
    bool Locked = false;
    bool FailPut = false;
    bool Held = false;
    int Acquires = 0;
    int Releases = 0;
    int Empties = 0;
};
