#pragma once
// Producing the data of one new zip entry from a stream.

#include "DeflateHelper.h"
#include "ZipRecords.h"
#include "Stream.h"

#include <functional>
#include <string>

// Called with the percentage (0..100) of the entry's input done; setting
// abort to true asks for the work to stop.
using TAbItemProgressHook = std::function<void(int percent, bool& abort)>;

struct TAbZipCompressionSettings {
    TAbZipSupportedMethod CompressionMethodToUse = smBestMethod;
    TAbZipDeflationOption DeflationOption = doNormal;
    std::string TempDirectory;       // swap files of the scratch stream
    TAbItemProgressHook OnProgress;  // may be empty
};

// Fills the entry's data into output (at its position) and the entry's fields:
// method, flag, CRC-32, both sizes, version needed, low byte of version made
// by, time and date, attributes. The input is read from its position to its
// end. No input: EAbZipNoInsertion. An abort while storing raises
// EAbUserAbort, while deflating EAbAbortProgress.
void AbZipFromStream(TAbZipItem& item, TStream& output, TStream* input,
                     const TAbZipCompressionSettings& settings);

// Copies the input (from its position) to output in 1024-byte blocks; sets the
// method to 0 and the entry's CRC-32.
void AbStoreStream(TAbZipItem& item, TStream& output, TStream& input, const TAbItemProgressHook& onProgress);

// Deflates the input into output under the settings' deflation option; sets
// the method to 8, ors the option's flag bits in and sets the entry's CRC-32.
void AbDeflateStream(TAbZipItem& item, TStream& output, TStream& input,
                     const TAbZipCompressionSettings& settings);

// Effort letter and flag bits for a deflation option.
char AbDeflationLetter(TAbZipDeflationOption option);
uint16_t AbDeflationFlagBits(TAbZipDeflationOption option);
