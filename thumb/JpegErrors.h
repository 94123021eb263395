#pragma once

#include "Errors.h"

#include <string>

// A libjpeg failure, carrying libjpeg's message code.
class EJPEG : public Exception {
public:
    explicit EJPEG(int code) : Exception("JPEG error #" + std::to_string(code)), FCode(code) {}
    // A failure of ours that libjpeg has no message code for.
    EJPEG(int code, const std::string& reason) : Exception("JPEG error: " + reason), FCode(code) {}
    int Code() const { return FCode; }

private:
    int FCode;
};
