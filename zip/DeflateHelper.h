#pragma once
// Settings for deflating one entry, and the deflate run itself.

#include "Stream.h"

#include <cstdint>
#include <functional>
#include <string>

// Option bits.
inline constexpr int32_t dfc_CanUseStored = 0x01;
inline constexpr int32_t dfc_CanUseStatic = 0x02;
inline constexpr int32_t dfc_CanUseDynamic = 0x04;
inline constexpr int32_t dfc_UseLazyMatch = 0x08;
inline constexpr int32_t dfc_UseDeflate64 = 0x10;
inline constexpr int32_t dfc_UseAdler32 = 0x20;

// Receives the percentage of input consumed; may throw to abort.
using TProgressStep = std::function<void(int percent)>;

class TDeflateHelper {
public:
    int32_t AmpleLength() const { return FAmpleLength; }
    int32_t ChainLength() const { return FChainLength; }
    int32_t MaxLazyLength() const { return FMaxLazy; }
    int32_t Options() const { return FOptions; }
    char PKZipOption() const { return FPKZipOption; }

    // Values below 4 become 4, -1 (unlimited) stays; the effort letter becomes '?'.
    void SetAmpleLength(int32_t value);
    void SetChainLength(int32_t value);
    void SetMaxLazyLength(int32_t value);
    // A different value sets the effort letter to '?'.
    void SetOptions(int32_t value);
    // '0', '2', 'n', 'x', 'f', 's' (either case) set several fields at once;
    // the letter already held and any other letter change nothing.
    void SetPKZipOption(char letter);

    uint32_t CheckValue = 0xFFFFFFFF;
    std::string LogFile;
    TProgressStep OnProgressStep;
    std::string Passphrase;
    int32_t CompressedSize = 0;   // bytes written by the last run
    int32_t NormalSize = 0;       // bytes read by the last run
    int32_t StreamSize = 0;       // input length, base of the percentage
    uint32_t WindowSize = 32768;

private:
    void SetLetterValues(int32_t ample, int32_t chain, int32_t lazy);

    int32_t FAmpleLength = 8;
    int32_t FChainLength = 32;
    int32_t FMaxLazy = 16;
    int32_t FOptions = 0x0F;
    char FPKZipOption = 'n';
};

// Deflates the source from its position to its end as raw deflate, appended to
// dest at its position. Returns the CRC-32 of the bytes read; fills the
// helper's NormalSize and CompressedSize. Encoder failures raise EDeflateError.
uint32_t Deflate(TStream& source, TStream& dest, TDeflateHelper& helper);

// Standard CRC-32, continued from a previous value (0 to start).
uint32_t Crc32(uint32_t crc, const void* data, size_t length);
