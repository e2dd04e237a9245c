// What check and render share: a world's files as an archive image, and the
// viewer started over it on the headless backend.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct FolderProblem {
    std::string file;  // the path as given
    std::string text;
    int error;  // 0: only worth a warning (a subfolder, which zempack leaves out too)
};

// The files of a folder packed in memory, as zempack would pack them. A file
// whose name the archive cannot hold, a second file whose name matches an
// earlier one regardless of case (errors), and a subfolder (a warning) are
// each listed in problems and left out. 0 when the folder cannot be read or the archive
// cannot be built (error says why).
int PackFolderInMemory(const std::string& folder, std::vector<uint8_t>* archive,
                       std::vector<FolderProblem>* problems, std::string* error);

// A world given as a folder of viewer files or as an archive file. A folder
// with an error among its problems is refused, its problems listed in error.
int ReadWorld(const std::string& path, std::vector<uint8_t>* archive, std::string* error);

// The image becomes the program's data.zem (linked, as the demo program
// carries its world) until UnlinkArchive. The bytes must stay alive.
void LinkArchive(const std::vector<uint8_t>& archive);
// Or the archive file itself becomes data.zem, read as the viewer reads a
// world named on its command line (small ones whole, large ones on demand).
void LinkArchiveFile(const std::string& path);
void UnlinkArchive();

// A fresh headless platform and the viewer's own start-up over the linked
// archive. 0 with the start-up message ("Failed zemRefreshLoc 0").
int StartViewer(const std::vector<uint8_t>& archive, std::string* message);
int StartViewerFile(const std::string& path, std::string* message);
// The viewer's shutdown; returns the tracked blocks still alive after it.
int32_t StopViewer();

// A path for diagnostics: folder/name, or the name alone.
std::string JoinPath(const std::string& folder, const std::string& name);

// ---------------------------------------------------------------------------
// What render and web write: never through a link, never over a file the
// tool did not write unless asked. Each is written beside its place and
// renamed over it (PackWriteFile).
enum { OUTPUT_FREE, OUTPUT_FILE, OUTPUT_OTHER };
// What stands at path, a link not followed: nothing, a regular file (its
// first bytes in head), or something else (what says).
int ExamineOutput(const std::string& path, std::vector<uint8_t>* head, std::string* what);
// The marks the tool leaves in what it writes.
extern const char PageMark[];
int IsRenderedPng(const std::vector<uint8_t>& head);
int IsWrittenPage(const std::vector<uint8_t>& head);
// A true-colour PNG carrying render's mark.
int EncodeRenderedPng(const uint8_t* rgb, int32_t width, int32_t height, std::vector<uint8_t>* bytes);
// 1 when path may be written: nothing there, a file `ours` recognises, or
// force; otherwise 0 and why (naming path).
int OutputReplaceable(const std::string& path, int (*ours)(const std::vector<uint8_t>&), int force,
                      std::string* why);
