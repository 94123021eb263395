#pragma once
// The archive writer's exceptions. Each carries a numeric code whose message
// comes from the one table in ArchiveErrors.cpp.

#include "Errors.h"

#include <cstdint>
#include <string>

// Error codes of the message table.
enum : int {
    ErrZipNoInsertion = 5,        // "Cannot insert file - no insertion support provided"
    ErrDuplicateName = 7,         // "Cannot insert file - duplicates stored name"
    ErrUserAbort = 9,             // "Process aborted by user"
    ErrNoSuchDirectory = 19,      // "Directory does not exist"
    ErrNoArchive = 27,            // "Archive does not exist - Filename is blank"
    ErrZipInvalid = 28,        // "Invalid file - not a PKZip file"
    ErrUnhandledType = 35,        // "Unhandled Archive Type"
    ErrSpanningNotSupported = 36, // "Spanning not supported by this Archive type"
    ErrZipSpanOverwrite = 37,     // "Cannot update an existing spanned disk set"
    ErrBadStream = 38,            // "Invalid Stream"
    ErrFullPathRequired = 39,     // "Full Path Required"
    ErrDeflateError = 40,         // "deflate error. (Internal cause: %s)"
    ErrVMSInvalidOrigin = 41,     // "VMS: invalid origin %d, should be 0, 1, 2"
    ErrVMSErrorOpenSwap = 42,     // "VMS: Cannot open swap file %s"
    ErrVMSSeekFail = 43,          // "VMS: Failed to seek in swap file %s"
    ErrVMSWriteFail = 44,         // "VMS: Failed to write %d bytes to swap file %s"
    ErrVMSReadFail = 45,          // "VMS: Failed to read %d bytes from swap file %s"
    ErrFieldTooLong = 46,         // "Zip record field longer than 65535 bytes"
};

// The table text for a code, with its %d / %s left in; empty for an unknown code.
std::string ArchiveMessage(int code);

// The engine name that leads every deflate failure message.
inline constexpr const char* DeflateEngineName = "Zlib";

class EArchiveException : public Exception {
public:
    // The message is the table text of the code.
    explicit EArchiveException(int code);
    // A message of its own ("Full Path Required" is raised this way, code 0).
    explicit EArchiveException(const std::string& message, int code = 0);
    int ErrorCode() const { return FErrorCode; }

private:
    int FErrorCode;
};

class EZipInvalid : public EArchiveException {
public:
    EZipInvalid() : EArchiveException(ErrZipInvalid) {}
};

class EUserAbort : public EArchiveException {
public:
    EUserAbort() : EArchiveException(ErrUserAbort) {}
};

// An abort asked for while data passed through the encoder.
class EAbortProgress : public EArchiveException {
public:
    EAbortProgress() : EArchiveException(ErrUserAbort) {}
};

class ENoArchive : public EArchiveException {
public:
    ENoArchive() : EArchiveException(ErrNoArchive) {}
};

class EUnhandledType : public EArchiveException {
public:
    EUnhandledType() : EArchiveException(ErrUnhandledType) {}
};

class ENoSuchDirectory : public EArchiveException {
public:
    ENoSuchDirectory() : EArchiveException(ErrNoSuchDirectory) {}
};

class EZipNoInsertion : public EArchiveException {
public:
    EZipNoInsertion() : EArchiveException(ErrZipNoInsertion) {}
};

class EZipSpanOverwrite : public EArchiveException {
public:
    EZipSpanOverwrite() : EArchiveException(ErrZipSpanOverwrite) {}
};

class ESpanningNotSupported : public EArchiveException {
public:
    ESpanningNotSupported() : EArchiveException(ErrSpanningNotSupported) {}
};

// "Invalid Stream", CR LF, then the message of the failure it replaces.
class EBadStream : public EArchiveException {
public:
    explicit EBadStream(const std::string& innerMessage);
};

// An add refused before the archive was touched, for a reason that lies
// with the archive or its journal: "Cannot add to ARCHIVE: reason".
class EArchiveBlocked : public EArchiveException {
public:
    EArchiveBlocked(const std::string& archive, const std::string& reason);
};

// "Zlib deflate error. (Internal cause: <encoder text>)"
class EDeflateError : public EArchiveException {
public:
    explicit EDeflateError(const std::string& cause);
};

class EVMSInvalidOrigin : public EArchiveException {
public:
    explicit EVMSInvalidOrigin(int origin);
};

// The table text, then the system's reason: "... swap file %s. Permission denied".
class EVMSErrorOpenSwap : public EArchiveException {
public:
    EVMSErrorOpenSwap(const std::string& fileName, int err);
};

class EVMSSeekFail : public EArchiveException {
public:
    explicit EVMSSeekFail(const std::string& fileName);
};

class EVMSWriteFail : public EArchiveException {
public:
    EVMSWriteFail(int count, const std::string& fileName);
};

class EVMSReadFail : public EArchiveException {
public:
    EVMSReadFail(int count, const std::string& fileName);
};
