// Writes pictures for the load runs:
//   make_load_pictures flat FOLDER COUNT     COUNT small pictures in one folder
//   make_load_pictures deep FOLDER LEVELS    one picture on each level of a chain of folders

#include "JpegFixtures.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

std::string Numbered(const char* prefix, int i)
{
    char name[32];
    std::snprintf(name, sizeof name, "%s%05d.jpg", prefix, i);
    return name;
}

bool MakeFolder(const std::string& path)
{
    return ::mkdir(path.c_str(), 0755) == 0 || errno == EEXIST;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: make_load_pictures flat|deep FOLDER COUNT\n");
        return 2;
    }
    const std::string mode = argv[1];
    std::string folder = argv[2];
    const int count = std::atoi(argv[3]);
    if (!MakeFolder(folder))
        return 1;
    // One encoded picture serves every name: only the names must differ.
    const auto picture = MakeTestJpeg(160, 120, TJpegKind::Baseline, 85);
    for (int i = 0; i < count; ++i) {
        if (mode == "deep") {
            folder += "/level" + std::to_string(i);
            if (!MakeFolder(folder))
                return 1;
        }
        WriteBytes(folder + "/" + Numbered("pic", i), picture);
    }
    return 0;
}
