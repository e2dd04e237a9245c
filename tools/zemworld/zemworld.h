// zemworld: the authoring tool. It reads every world through the system's
// own code over the headless backend; what it adds is importing (decoding,
// quantising, renaming, converting) and reporting.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// ---------------------------------------------------------------------------
// Diagnostics: "FILE:LINE: error: TEXT", "FILE: warning: TEXT" where no line
// applies.
struct Diagnostic {
    std::string file;
    int32_t line;  // 0: no line
    int error;     // 1 error, 0 warning
    std::string text;
};

struct Report {
    std::vector<Diagnostic> items;
    int errors = 0;
    int warnings = 0;
};

void ReportError(Report* report, const std::string& file, int32_t line,
                 const std::string& text);
void ReportWarning(Report* report, const std::string& file, int32_t line,
                   const std::string& text);
std::string FormatDiagnostic(const Diagnostic& d);
void PrintReport(const Report& report, FILE* out);

// ---------------------------------------------------------------------------
// Checking a world as the viewer reads it. 1 when there is no error.
int CheckArchive(const std::vector<uint8_t>& archive, Report* report);
// An archive file: its directory read and checked first, then the file read
// whole when it has at most CheckWholeArchiveBytes, otherwise only where the
// check looks (and the viewer reads it on demand, as it does such a world).
int CheckArchiveFile(const std::string& path, Report* report);
extern size_t CheckWholeArchiveBytes;
// A folder of viewer files (8.3 names): packed in memory, then checked as
// an archive; names the archive cannot hold are errors.
int CheckFolder(const std::string& folder, Report* report);

// "" when a PCM sound of this format and this many bytes of samples plays
// in the viewer; otherwise how long it lasts and the longest that plays at
// that format (the same bound as every backend's).
std::string SoundTooLong(uint32_t rate, uint32_t bits, uint32_t channels, uint64_t bytes);

// ---------------------------------------------------------------------------
// The commands; each gets the arguments after its own name and returns the
// exit code.
int CommandNew(int argc, char** argv);
int CommandCheck(int argc, char** argv);
int CommandBuild(int argc, char** argv);
int CommandRender(int argc, char** argv);
int CommandWeb(int argc, char** argv);
int CommandPlay(int argc, char** argv);
