#include "NaturalOrder.h"

#include <algorithm>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

unsigned char Folded(char c)
{
    return static_cast<unsigned char>((c >= 'A' && c <= 'Z') ? c - 'A' + 'a' : c);
}

size_t DigitRunEnd(const std::string& text, size_t start)
{
    while (start < text.size() && IsDigit(text[start]))
        ++start;
    return start;
}

// The runs starting at i and j as numbers: leading zeros do not count, a
// longer run is a larger number, runs of one length compare digit by digit.
int CompareNumbers(const std::string& a, size_t& i, const std::string& b, size_t& j)
{
    const size_t aEnd = DigitRunEnd(a, i);
    const size_t bEnd = DigitRunEnd(b, j);
    while (i + 1 < aEnd && a[i] == '0')
        ++i;
    while (j + 1 < bEnd && b[j] == '0')
        ++j;
    const size_t aLength = aEnd - i;
    const size_t bLength = bEnd - j;
    int result = aLength < bLength ? -1 : aLength > bLength ? 1 : a.compare(i, aLength, b, j, bLength);
    i = aEnd;
    j = bEnd;
    return result;
}

int CompareFolded(const std::string& a, const std::string& b)
{
    size_t i = 0;
    size_t j = 0;
    while (i < a.size() && j < b.size()) {
        if (IsDigit(a[i]) && IsDigit(b[j])) {
            if (const int numbers = CompareNumbers(a, i, b, j))
                return numbers;
            continue;
        }
        if (Folded(a[i]) != Folded(b[j]))
            return Folded(a[i]) < Folded(b[j]) ? -1 : 1;
        ++i;
        ++j;
    }
    return (i < a.size()) - (j < b.size());
}

} // namespace

bool NaturalLess(const std::string& a, const std::string& b)
{
    const int folded = CompareFolded(a, b);
    return folded != 0 ? folded < 0 : a < b;
}

void SortNaturally(std::vector<std::string>& names)
{
    std::sort(names.begin(), names.end(), NaturalLess);
}
