#pragma once

#include "Errors.h"

#include <string>

// A libjpeg failure, carrying libjpeg's message code.
class EJPEG : public Exception {
public:
    explicit EJPEG(int code) : Exception("JPEG error #" + std::to_string(code)), FCode(code) {}
    int Code() const { return FCode; }

private:
    int FCode;
};
