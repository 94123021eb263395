#include "ArchiveErrors.h"

#include <cstdio>

namespace {

struct TMessage {
    int Code;
    const char* Text;
};

const TMessage ArchiveMessages[] = {
    {ErrZipNoInsertion, "Cannot insert file - no insertion support provided"},
    {ErrDuplicateName, "Cannot insert file - duplicates stored name"},
    {ErrUserAbort, "Process aborted by user"},
    {ErrNoSuchDirectory, "Directory does not exist"},
    {ErrNoArchive, "Archive does not exist - Filename is blank"},
    {ErrZipInvalid, "Invalid file - not a PKZip file"},
    {ErrUnhandledType, "Unhandled Archive Type"},
    {ErrSpanningNotSupported, "Spanning not supported by this Archive type"},
    {ErrZipSpanOverwrite, "Cannot update an existing spanned disk set"},
    {ErrBadStream, "Invalid Stream"},
    {ErrFullPathRequired, "Full Path Required"},
    {ErrDeflateError, "deflate error. (Internal cause: %s)"},
    {ErrVMSInvalidOrigin, "VMS: invalid origin %d, should be 0, 1, 2"},
    {ErrVMSErrorOpenSwap, "VMS: Cannot open swap file %s"},
    {ErrVMSSeekFail, "VMS: Failed to seek in swap file %s"},
    {ErrVMSWriteFail, "VMS: Failed to write %d bytes to swap file %s"},
    {ErrVMSReadFail, "VMS: Failed to read %d bytes from swap file %s"},
    {ErrFieldTooLong, "Zip record field longer than 65535 bytes"},
};

// Fills the first %d with number and the first %s with text.
std::string FormatMessage(int code, int number, const std::string& text)
{
    const std::string pattern = ArchiveMessage(code);
    std::string out;
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 'd') {
            out += std::to_string(number);
            ++i;
        } else if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's') {
            out += text;
            ++i;
        } else {
            out += pattern[i];
        }
    }
    return out;
}

std::string BlockedText(const std::string& archive, const std::string& reason)
{
    std::string text = "Cannot add to ";
    text.append(archive).append(": ").append(reason);
    return text;
}

} // namespace

std::string ArchiveMessage(int code)
{
    for (const TMessage& m : ArchiveMessages)
        if (m.Code == code)
            return m.Text;
    return {};
}

EArchiveException::EArchiveException(int code) : Exception(ArchiveMessage(code)), FErrorCode(code) {}

EArchiveException::EArchiveException(const std::string& message, int code) : Exception(message), FErrorCode(code) {}

EBadStream::EBadStream(const std::string& innerMessage)
    : EArchiveException(ArchiveMessage(ErrBadStream) + "\r\n" + innerMessage, ErrBadStream)
{
}

EDeflateError::EDeflateError(const std::string& cause)
    : EArchiveException(std::string(DeflateEngineName) + " " + FormatMessage(ErrDeflateError, 0, cause), ErrDeflateError)
{
}

EVMSInvalidOrigin::EVMSInvalidOrigin(int origin)
    : EArchiveException(FormatMessage(ErrVMSInvalidOrigin, origin, ""), ErrVMSInvalidOrigin)
{
}

EArchiveBlocked::EArchiveBlocked(const std::string& archive, const std::string& reason)
    : EArchiveException(BlockedText(archive, reason))
{
}

EVMSErrorOpenSwap::EVMSErrorOpenSwap(const std::string& fileName, int err)
    : EArchiveException(FormatMessage(ErrVMSErrorOpenSwap, 0, fileName) + ". " + SystemErrorText(err),
                        ErrVMSErrorOpenSwap)
{
}

EVMSSeekFail::EVMSSeekFail(const std::string& fileName)
    : EArchiveException(FormatMessage(ErrVMSSeekFail, 0, fileName), ErrVMSSeekFail)
{
}

EVMSWriteFail::EVMSWriteFail(int count, const std::string& fileName)
    : EArchiveException(FormatMessage(ErrVMSWriteFail, count, fileName), ErrVMSWriteFail)
{
}

EVMSReadFail::EVMSReadFail(int count, const std::string& fileName)
    : EArchiveException(FormatMessage(ErrVMSReadFail, count, fileName), ErrVMSReadFail)
{
}
