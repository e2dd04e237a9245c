// Building, listing and checking data.zem archives. Used by the zempack tool,
// the demo-world build and the tests.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct PackMember {
    std::string name;
    std::vector<uint8_t> data;
};

struct PackListing {
    std::string name;
    int32_t offset;
    int32_t size;
};

// The end marker's name: a byte no 8.3 name may hold, so it sorts last.
extern const char PackEndMarker[];

// 1 for an 8.3 name (1 to 8 characters, optionally a dot and 1 to 3 more,
// letters, digits and _ - ~ ! # $ % & ' ( ) @ ^ { }); otherwise 0 and why.
int PackValidName(const std::string& name, std::string* why);

// Sorts the members in the archive's name order and lays out the archive.
int PackBuild(std::vector<PackMember> members, std::vector<uint8_t>* archive,
              std::string* error);

// Members in directory order, without the end marker.
int PackList(const std::vector<uint8_t>& archive, std::vector<PackListing>* out,
             std::string* error);

// Everything the program checks, plus the order of the names and the end
// marker in last place.
int PackCheck(const std::vector<uint8_t>& archive, std::string* error);

// Files of one folder (no subfolders) as members; every name must be 8.3.
int PackReadFolder(const std::string& folder, std::vector<PackMember>* out,
                   std::string* error);
int PackWriteFile(const std::string& path, const std::vector<uint8_t>& bytes,
                  std::string* error);
int PackReadFile(const std::string& path, std::vector<uint8_t>* bytes,
                 std::string* error);
// Writes every member into the folder. The names come from the file, so all
// must be 8.3 names (no path) before anything is written.
int PackExtract(const std::vector<uint8_t>& archive, const std::string& folder,
                std::string* error);
