// What the importer's fuzz targets share: the input written as a file of a
// source folder of its own, so that it is read as the build reads it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The folder (made once, removed at exit) and the input written in it as
// `name`; 0 when it cannot be written.
int WriteSourceFile(const std::string& name, const uint8_t* data, size_t size, std::string* folder);
