// The checker's pieces. Everything is read through the system's own code
// (the script steps, zemLoadBMP, zemLoadSprite, LoadSound over the archive
// reader); file headers are read here only to say why the system refused
// a file.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "scene/scene.h"
#include "tools/zempack/pack.h"
#include "tools/zemworld/zemworld.h"

struct Image;

// How a use of a picture loads it in the viewer.
struct PictureUse {
    const char* what;  // "stamp picture", "cursor frame", ...
    int palette;       // its colour table becomes a palette
    int encode;        // run-length encoded, first pixel transparent
    int columnMajor;   // laid over a panorama
    int scratch;       // decoded in the back buffer (640 x 480 bytes)
};

struct CheckContext {
    Report* report = nullptr;
    std::string folder;  // diagnostics name folder/file; "" for an archive
    const std::vector<uint8_t>* archive = nullptr;  // the archive in memory, or
    std::string archiveFile;                        // an archive file, read where needed
    int archiveFd = -1;
    std::map<std::string, PackListing> members;  // by lower-case name
    std::string script = "game.txt";             // the member's own spelling

    // The script as the viewer reads it, and the line of every record.
    Location* locations = nullptr;
    std::map<const void*, int32_t> lines;
    std::map<const Location*, int32_t> viewLines;
    std::map<const Location*, int32_t> pdaLines;

    // The back buffer's bytes: what encoded loads of the viewer decode into.
    std::vector<uint8_t> scratch = std::vector<uint8_t>(640 * 480);
    // Palettes as the viewer holds them (converted, 1024 bytes), empty when
    // the file did not load.
    std::map<const Location*, std::vector<uint8_t>> palettes;
    std::vector<uint8_t> logoPalette;
    std::vector<uint8_t> iconPalette;
    // Pictures drawn over every location: name -> colour indices they use.
    std::map<std::string, std::set<int>> pdaColours;
    std::map<std::string, std::set<int>> iconColours;
    std::set<int> logoColours;
    std::set<int> cursorColours;
    std::vector<uint8_t> cursorPalette;

    std::set<std::string> explained;  // file and use already reported
};

// Diagnostics; file is a member name (or game.txt), joined to the folder.
void CheckError(CheckContext* c, const std::string& file, int32_t line, const std::string& text);
void CheckWarning(CheckContext* c, const std::string& file, int32_t line, const std::string& text);
int32_t LineOf(const CheckContext* c, const void* record);

// Exactly length bytes of a member from offset: what the member holds
// there, zeros past its end (or where a file being read has changed).
std::vector<uint8_t> MemberBytes(const CheckContext* c, const PackListing& member, size_t offset, size_t length);

// The member the archive reader would open for this name, or none.
const PackListing* FindMember(const CheckContext* c, const std::string& name);
// "no file NAME in the world", with a hint when the name cannot be one.
std::string MissingText(const std::string& use, const std::string& name);

// Why the loader refused a picture, a sound, an offset-file line.
std::string WhyPictureRefused(const CheckContext* c, const PackListing& member,
                              const PictureUse& use);
std::string WhySoundRefused(const CheckContext* c, const PackListing& member);
// A BMP's header size; 0 when it has none.
uint32_t BmpHeaderSize(const CheckContext* c, const PackListing& member);

// Loads a picture as the use does. A missing file is an error at the line
// of the script; a refused one at the file. 1 with *image (caller frees).
int CheckPicture(CheckContext* c, const std::string& name, const PictureUse& use, int32_t line,
                 Image** image, uint8_t* palette);
// Colour indices of a raw picture, without the transparent one when
// encoded use would take the first pixel as transparent.
void UsedColours(const Image* raw, int transparentFirst, std::set<int>* out);

// The steps of a check, in the order CheckArchive runs them.
void CheckScript(CheckContext* c);
void CheckInterface(CheckContext* c);
void CheckLocations(CheckContext* c);
void CheckPalettes(CheckContext* c);
// The script lines of each location and of its stamps, in script order, for
// the run in the viewer (which reads its own records).
struct LocationLines {
    int32_t line;
    std::vector<int32_t> stamps;
};
std::vector<LocationLines> CollectLines(const CheckContext* c);
void CheckInViewer(CheckContext* c, const std::vector<LocationLines>& lines);

// A name from a file between quotes, control characters written as \xNN.
std::string Quoted(const std::string& name);

// Levenshtein distance, ignoring the case of ASCII letters.
int EditDistance(const std::string& a, const std::string& b);
