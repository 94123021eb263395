#include "AbZipPrc.h"

#include "AbExcept.h"

void AbZipFromStream(TAbZipItem&, TStream&, TStream* input, const TAbZipCompressionSettings&)
{
    if (input == nullptr)
        throw EAbZipNoInsertion();
}
