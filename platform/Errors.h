#pragma once
// The exception family every layer throws. The message is the text the user sees.

#include <stdexcept>
#include <string>

class Exception : public std::runtime_error {
public:
    explicit Exception(const std::string& message, std::string reason = {})
        : std::runtime_error(message), FReason(std::move(reason))
    {
    }
    std::string Message() const { return what(); }
    // A library's own words for the failure, shown beside the message where
    // there is room for them; often empty.
    const std::string& Reason() const { return FReason; }

private:
    std::string FReason;
};

class EStreamError : public Exception {
public:
    using Exception::Exception;
};

class EReadError : public EStreamError {
public:
    EReadError() : EStreamError("Stream read error") {}
};

class EWriteError : public EStreamError {
public:
    EWriteError() : EStreamError("Stream write error") {}
};

// "Cannot open file "%s". %s" with the path and the system's reason.
class EFOpenError : public EStreamError {
public:
    EFOpenError(const std::string& path, int err);
    EFOpenError(const std::string& path, const std::string& reason);
};

class EFCreateError : public EStreamError {
public:
    EFCreateError(const std::string& path, int err);
};

// strerror text of an errno value, thread-safe.
std::string SystemErrorText(int err);
