#include "ArchiveErrors.h"

#include <cstdio>

namespace {

struct TAbMessage {
    int Code;
    const char* Text;
};

const TAbMessage AbMessages[] = {
    {AbZipNoInsertion, "Cannot insert file - no insertion support provided"},
    {AbDuplicateName, "Cannot insert file - duplicates stored name"},
    {AbUserAbort, "Process aborted by user"},
    {AbNoSuchDirectory, "Directory does not exist"},
    {AbNoArchive, "Archive does not exist - Filename is blank"},
    {AbErrZipInvalid, "Invalid file - not a PKZip file"},
    {AbUnhandledType, "Unhandled Archive Type"},
    {AbSpanningNotSupported, "Spanning not supported by this Archive type"},
    {AbZipSpanOverwrite, "Cannot update an existing spanned disk set"},
    {AbBadStream, "Invalid Stream"},
    {AbFullPathRequired, "Full Path Required"},
    {AbDeflateError, "deflate error. (Internal cause: %s)"},
    {AbVMSInvalidOrigin, "VMS: invalid origin %d, should be 0, 1, 2"},
    {AbVMSErrorOpenSwap, "VMS: Cannot open swap file %s"},
    {AbVMSSeekFail, "VMS: Failed to seek in swap file %s"},
    {AbVMSWriteFail, "VMS: Failed to write %d bytes to swap file %s"},
    {AbVMSReadFail, "VMS: Failed to read %d bytes from swap file %s"},
    {AbFieldTooLong, "Zip record field longer than 65535 bytes"},
};

// Fills the first %d with number and the first %s with text.
std::string FormatMessage(int code, int number, const std::string& text)
{
    const std::string pattern = AbStrRes(code);
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

} // namespace

std::string AbStrRes(int code)
{
    for (const TAbMessage& m : AbMessages)
        if (m.Code == code)
            return m.Text;
    return {};
}

EAbException::EAbException(int code) : Exception(AbStrRes(code)), FErrorCode(code) {}

EAbException::EAbException(const std::string& message, int code) : Exception(message), FErrorCode(code) {}

EAbBadStream::EAbBadStream(const std::string& innerMessage)
    : EAbException(AbStrRes(AbBadStream) + "\r\n" + innerMessage, AbBadStream)
{
}

EAbDeflateError::EAbDeflateError(const std::string& cause)
    : EAbException(std::string(AbDeflateEngineName) + " " + FormatMessage(AbDeflateError, 0, cause), AbDeflateError)
{
}

EAbVMSInvalidOrigin::EAbVMSInvalidOrigin(int origin)
    : EAbException(FormatMessage(AbVMSInvalidOrigin, origin, ""), AbVMSInvalidOrigin)
{
}

EAbVMSErrorOpenSwap::EAbVMSErrorOpenSwap(const std::string& fileName)
    : EAbException(FormatMessage(AbVMSErrorOpenSwap, 0, fileName), AbVMSErrorOpenSwap)
{
}

EAbVMSSeekFail::EAbVMSSeekFail(const std::string& fileName)
    : EAbException(FormatMessage(AbVMSSeekFail, 0, fileName), AbVMSSeekFail)
{
}

EAbVMSWriteFail::EAbVMSWriteFail(int count, const std::string& fileName)
    : EAbException(FormatMessage(AbVMSWriteFail, count, fileName), AbVMSWriteFail)
{
}

EAbVMSReadFail::EAbVMSReadFail(int count, const std::string& fileName)
    : EAbException(FormatMessage(AbVMSReadFail, count, fileName), AbVMSReadFail)
{
}
