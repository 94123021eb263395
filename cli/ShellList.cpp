#include "ShellList.h"

#include "Errors.h"

const std::string& TShellList::Entry(int index) const
{
    if (index < 0 || index >= static_cast<int>(FEntries.size()))
        throw Exception("List index out of bounds (" + std::to_string(index) + ")");
    return FEntries[static_cast<size_t>(index)];
}
