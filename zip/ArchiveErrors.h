#pragma once
// The archive writer's exceptions. Each carries a numeric code whose message
// comes from the one table in ArchiveErrors.cpp.

#include "Errors.h"

#include <cstdint>
#include <string>

// Error codes of the message table.
enum : int {
    AbZipNoInsertion = 5,        // "Cannot insert file - no insertion support provided"
    AbDuplicateName = 7,         // "Cannot insert file - duplicates stored name"
    AbUserAbort = 9,             // "Process aborted by user"
    AbNoSuchDirectory = 19,      // "Directory does not exist"
    AbNoArchive = 27,            // "Archive does not exist - Filename is blank"
    AbErrZipInvalid = 28,        // "Invalid file - not a PKZip file"
    AbUnhandledType = 35,        // "Unhandled Archive Type"
    AbSpanningNotSupported = 36, // "Spanning not supported by this Archive type"
    AbZipSpanOverwrite = 37,     // "Cannot update an existing spanned disk set"
    AbBadStream = 38,            // "Invalid Stream"
    AbFullPathRequired = 39,     // "Full Path Required"
    AbDeflateError = 40,         // "deflate error. (Internal cause: %s)"
    AbVMSInvalidOrigin = 41,     // "VMS: invalid origin %d, should be 0, 1, 2"
    AbVMSErrorOpenSwap = 42,     // "VMS: Cannot open swap file %s"
    AbVMSSeekFail = 43,          // "VMS: Failed to seek in swap file %s"
    AbVMSWriteFail = 44,         // "VMS: Failed to write %d bytes to swap file %s"
    AbVMSReadFail = 45,          // "VMS: Failed to read %d bytes from swap file %s"
    AbFieldTooLong = 46,         // "Zip record field longer than 65535 bytes"
};

// The table text for a code, with its %d / %s left in; empty for an unknown code.
std::string AbStrRes(int code);

// The engine name that leads every deflate failure message.
inline constexpr const char* AbDeflateEngineName = "Zlib";

class EAbException : public Exception {
public:
    // The message is the table text of the code.
    explicit EAbException(int code);
    // A message of its own ("Full Path Required" is raised this way, code 0).
    explicit EAbException(const std::string& message, int code = 0);
    int ErrorCode() const { return FErrorCode; }

private:
    int FErrorCode;
};

class EAbZipInvalid : public EAbException {
public:
    EAbZipInvalid() : EAbException(AbErrZipInvalid) {}
};

class EAbUserAbort : public EAbException {
public:
    EAbUserAbort() : EAbException(AbUserAbort) {}
};

// An abort asked for while data passed through the encoder.
class EAbAbortProgress : public EAbException {
public:
    EAbAbortProgress() : EAbException(AbUserAbort) {}
};

class EAbNoArchive : public EAbException {
public:
    EAbNoArchive() : EAbException(AbNoArchive) {}
};

class EAbUnhandledType : public EAbException {
public:
    EAbUnhandledType() : EAbException(AbUnhandledType) {}
};

class EAbNoSuchDirectory : public EAbException {
public:
    EAbNoSuchDirectory() : EAbException(AbNoSuchDirectory) {}
};

class EAbZipNoInsertion : public EAbException {
public:
    EAbZipNoInsertion() : EAbException(AbZipNoInsertion) {}
};

class EAbZipSpanOverwrite : public EAbException {
public:
    EAbZipSpanOverwrite() : EAbException(AbZipSpanOverwrite) {}
};

class EAbSpanningNotSupported : public EAbException {
public:
    EAbSpanningNotSupported() : EAbException(AbSpanningNotSupported) {}
};

// "Invalid Stream", CR LF, then the message of the failure it replaces.
class EAbBadStream : public EAbException {
public:
    explicit EAbBadStream(const std::string& innerMessage);
};

// "Zlib deflate error. (Internal cause: <encoder text>)"
class EAbDeflateError : public EAbException {
public:
    explicit EAbDeflateError(const std::string& cause);
};

class EAbVMSInvalidOrigin : public EAbException {
public:
    explicit EAbVMSInvalidOrigin(int origin);
};

class EAbVMSErrorOpenSwap : public EAbException {
public:
    explicit EAbVMSErrorOpenSwap(const std::string& fileName);
};

class EAbVMSSeekFail : public EAbException {
public:
    explicit EAbVMSSeekFail(const std::string& fileName);
};

class EAbVMSWriteFail : public EAbException {
public:
    EAbVMSWriteFail(int count, const std::string& fileName);
};

class EAbVMSReadFail : public EAbException {
public:
    EAbVMSReadFail(int count, const std::string& fileName);
};
