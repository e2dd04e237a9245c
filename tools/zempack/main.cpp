// zempack: build, list, extract and check data.zem archives.
#include <cstdio>
#include <cstring>

#include "tools/zempack/pack.h"

static int Usage() {
    std::fprintf(stderr,
                 "usage: zempack build <folder> <archive>\n"
                 "       zempack list <archive>\n"
                 "       zempack extract <archive> <folder>\n"
                 "       zempack check <archive>\n");
    return 2;
}

static int Fail(const std::string& error) {
    std::fprintf(stderr, "zempack: %s\n", error.c_str());
    return 1;
}

int main(int argc, char** argv) {
    if (argc < 3) return Usage();
    const char* command = argv[1];
    std::string error;
    if (std::strcmp(command, "build") == 0 && argc == 4) {
        std::vector<PackMember> members;
        std::vector<uint8_t> archive;
        if (!PackReadFolder(argv[2], &members, &error)) return Fail(error);
        if (!PackBuild(members, &archive, &error)) return Fail(error);
        if (!PackWriteFile(argv[3], archive, &error)) return Fail(error);
        std::printf("%zu members, %zu bytes\n", members.size(), archive.size());
        return 0;
    }
    std::vector<uint8_t> archive;
    if (argc >= 3 && !PackReadFile(argv[2], &archive, &error)) return Fail(error);
    if (std::strcmp(command, "list") == 0 && argc == 3) {
        std::vector<PackListing> listing;
        if (!PackList(archive, &listing, &error)) return Fail(error);
        for (const PackListing& m : listing)
            std::printf("%10d  %s\n", m.size, m.name.c_str());
        return 0;
    }
    if (std::strcmp(command, "check") == 0 && argc == 3) {
        if (!PackCheck(archive, &error)) return Fail(error);
        std::printf("ok\n");
        return 0;
    }
    if (std::strcmp(command, "extract") == 0 && argc == 4) {
        if (!PackExtract(archive, argv[3], &error)) return Fail(error);
        return 0;
    }
    return Usage();
}
