// zempack: build, list, extract and check data.zem archives.
#include <cstdio>
#include <cstring>

#include "tools/zempack/pack.h"

static int Usage() {
    std::fprintf(stderr,
                 "usage: zempack build <folder> <archive>\n"
                 "       zempack list <archive>\n"
                 "       zempack extract [--force] <archive> <folder>\n"
                 "       zempack check <archive>\n"
                 "\n"
                 "build packs the folder's regular files (8.3 names); links, folders and\n"
                 "other special files are left out, each named on standard error.\n"
                 "extract never replaces a file already in the folder unless --force is\n"
                 "given, and never writes through a link or over anything not a file.\n");
    return 2;
}

static int Fail(const std::string& error) {
    std::fprintf(stderr, "zempack: %s\n", error.c_str());
    return 1;
}

static int Build(const char* folder, const char* path) {
    std::string error;
    std::vector<PackMember> members;
    std::vector<std::string> skipped;
    int read = PackReadFolder(folder, &members, &error, &skipped);
    for (const std::string& line : skipped) std::fprintf(stderr, "zempack: warning: %s\n", line.c_str());
    if (!read) return Fail(error);
    std::vector<uint8_t> archive;
    if (!PackBuild(members, &archive, &error)) return Fail(error);
    if (!PackWriteFile(path, archive, &error)) return Fail(error);
    std::printf("%zu members, %zu bytes\n", members.size(), archive.size());
    return 0;
}

int main(int argc, char** argv) {
    if (argc < 3) return Usage();
    std::string command = argv[1];
    if (command == "build" && argc == 4) return Build(argv[2], argv[3]);

    int force = argc == 5 && command == "extract" && std::strcmp(argv[2], "--force") == 0;
    int expected = command == "extract" ? 4 + force : 3;
    if ((command != "list" && command != "check" && command != "extract") || argc != expected)
        return Usage();
    const char* path = argv[2 + force];
    std::string error;
    // The directory first: a file that is no archive is refused from its
    // head; list and check need nothing more.
    std::vector<uint8_t> archive;
    uint64_t size = 0;
    if (!PackReadDirectory(path, &archive, &size, &error)) return Fail(error);
    if (command == "list") {
        std::vector<PackListing> listing;
        if (!PackListDirectory(archive, size, &listing, &error)) return Fail(error);
        for (const PackListing& m : listing)
            std::printf("%10d  %s\n", m.size, PackPrintableName(m.name).c_str());
        return 0;
    }
    if (command == "check") {
        if (!PackCheckDirectory(archive, size, &error)) return Fail(error);
        std::printf("ok\n");
        return 0;
    }
    std::vector<PackListing> listing;
    if (!PackListDirectory(archive, size, &listing, &error) || !PackReadFile(path, &archive, &error))
        return Fail(error);
    if (!PackExtract(archive, argv[3 + force], &error, force)) return Fail(error);
    return 0;
}
