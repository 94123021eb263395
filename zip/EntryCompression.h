#pragma once
// Producing the data of one new zip entry from a stream.

#include "DeflateHelper.h"
#include "ZipRecords.h"
#include "Stream.h"

#include <functional>
#include <string>

// Called with the percentage (0..100) of the entry's input done; setting
// abort to true asks for the work to stop.
using TItemProgressHook = std::function<void(int percent, bool& abort)>;

struct TZipCompressionSettings {
    TZipSupportedMethod CompressionMethodToUse = smBestMethod;
    TZipDeflationOption DeflationOption = doNormal;
    std::string TempDirectory;       // swap files of the scratch stream
    TItemProgressHook OnProgress;  // may be empty
};

// Fills the entry's data into output (at its position) and the entry's fields:
// method, flag, CRC-32, both sizes, version needed, low byte of version made
// by, time and date, attributes. The input is read from its position to its
// end. No input: EZipNoInsertion. An abort while storing raises
// EUserAbort, while deflating EAbortProgress.
void ZipFromStream(TZipItem& item, TStream& output, TStream* input,
                     const TZipCompressionSettings& settings);

// Copies the input (from its position) to output in 1024-byte blocks; sets the
// method to 0 and the entry's CRC-32.
void StoreStream(TZipItem& item, TStream& output, TStream& input, const TItemProgressHook& onProgress);

// Deflates the input into output under the settings' deflation option; sets
// the method to 8, ors the option's flag bits in and sets the entry's CRC-32.
void DeflateStream(TZipItem& item, TStream& output, TStream& input,
                     const TZipCompressionSettings& settings);

// Effort letter and flag bits for a deflation option.
char DeflationLetter(TZipDeflationOption option);
uint16_t DeflationFlagBits(TZipDeflationOption option);
