#pragma once

#include "Errors.h"

#include <string>

// libjpeg's own text for one of its message codes.
struct TLibjpegText {
    std::string Text;
};

// A libjpeg failure, carrying libjpeg's message code.
class EJPEG : public Exception {
public:
    explicit EJPEG(int code) : Exception("JPEG error #" + std::to_string(code)), FCode(code) {}
    // The same message, with libjpeg's text as the reason shown beside it.
    EJPEG(int code, TLibjpegText text)
        : Exception("JPEG error #" + std::to_string(code), std::move(text.Text)), FCode(code)
    {
    }
    // A failure of ours that libjpeg has no message code for.
    EJPEG(int code, const std::string& reason) : Exception("JPEG error: " + reason), FCode(code) {}
    int Code() const { return FCode; }

private:
    int FCode;
};
