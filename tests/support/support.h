// Test helpers: archives built in memory with the zempack code and a fresh
// program state. The file writers come from tools/assets.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "tools/assets/assets.h"
#include "tools/zempack/pack.h"

// Builds "data.zem" in memory from the members and opens it as the program
// does (40 slots). Returns the FastFileInit result.
int InstallArchive(const std::vector<PackMember>& members);
std::vector<uint8_t> BuildArchive(const std::vector<PackMember>& members);

// A fresh platform and program: headless backend reset, archive released,
// every program-wide variable at its start value, no injected allocation
// failure.
void FreshProgram();
