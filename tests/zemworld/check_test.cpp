// zemworld check: a good world gives nothing; each damaged world of the
// table gives its diagnostic at the right file and line, an error or a
// warning as it should; the command line reports folders and archives.
#include <gtest/gtest.h>

#include <functional>

#include "app/app.h"
#include "platform/platform.h"
#include "tests/zemworld/check_world.h"
#include "tools/zemworld/zemworld.h"

namespace {

std::string Diagnostics(const Report& report) {
    std::string out;
    for (const Diagnostic& d : report.items) out += FormatDiagnostic(d) + "\n";
    return out;
}

// The script with one line replaced (1-based), or with a line added.
std::string ScriptWith(int line, const std::string& text) {
    std::string script = GoodScript;
    size_t start = 0;
    for (int i = 1; i < line; i++) start = script.find('\n', start) + 1;
    size_t end = script.find('\n', start);
    return script.substr(0, start) + text + script.substr(end);
}

BmpLayout WorldLayout(int32_t width, int32_t height, uint8_t index) {
    BmpLayout layout;
    layout.width = width;
    layout.height = height;
    layout.pixels.assign((size_t)width * height, index);
    for (int i = 0; i < 256; i++) layout.colours.push_back(WorldColour(i));
    return layout;
}

std::vector<uint8_t> Damaged(int32_t width, int32_t height, uint8_t index,
                             const std::function<void(BmpLayout&)>& damage) {
    BmpLayout layout = WorldLayout(width, height, index);
    damage(layout);
    return MakeBmp(layout);
}

struct Case {
    const char* name;
    std::function<void(TestWorld&)> damage;
    const char* expected;  // the start of one diagnostic line
};

const std::string Png = std::string("\x89PNG\r\n\x1a\n") + std::string(40, '\0');

// One damaged world for every error the viewer would meet.
const Case Errors[] = {
    {"logo missing", [](TestWorld& w) { w.Remove("ZEMLOGO.BMP"); },
     "ZEMLOGO.BMP: error: every world needs this logo picture"},
    {"logo 24 bits", [](TestWorld& w) { w.Put("ZEMLOGO.BMP", Damaged(20, 8, 40, [](BmpLayout& l) { l.bitsPerPixel = 24; })); },
     "ZEMLOGO.BMP: error: the viewer cannot load this logo: it has 24 bits per pixel, not 8"},
    {"icon palette missing", [](TestWorld& w) { w.Remove("BATBICON.BMP"); },
     "BATBICON.BMP: error: every world needs this icon palette picture"},
    {"cursor of three frames", [](TestWorld& w) { w.Remove("CURS0003.BMP"); },
     "CURS0000.BMP: error: the cursor has 3 frames; the viewer needs four"},
    {"start-up fails", [](TestWorld& w) { w.Remove("CURS0000.BMP"); },
     "CURS0000.BMP: error: the viewer does not start: \"Failed zemLoadSprite cursor 0\""},
    {"keyword typo", [](TestWorld& w) { w.Put("game.txt", Bytes(ScriptWith(7, "loction yard"))); },
     "game.txt:7: error: unknown keyword 'loction': the viewer ignores this line; did you mean 'location'?"},
    {"door target typo", [](TestWorld& w) { w.Put("game.txt", Bytes(ScriptWith(6, "door yrd 300 200 100 100"))); },
     "game.txt:6: error: door target 'yrd' names no location: a click leads to the first location 'hall'; did you mean 'yard'?"},
    {"door target case", [](TestWorld& w) { w.Put("game.txt", Bytes(ScriptWith(6, "door Yard 300 200 100 100"))); },
     "game.txt:6: error: door target 'Yard' names no location: a click leads to the first location 'hall' (location 'yard' differs only in case"},
    {"view missing", [](TestWorld& w) { w.Remove("YARD.BMP"); },
     "game.txt:8: error: panorama YARD.BMP: no such file in the world"},
    {"view name too long for the archive", [](TestWorld& w) { w.Put("game.txt", Bytes(ScriptWith(3, "closeup hall_background.bmp"))); },
     "game.txt:3: error: closeup picture hall_background.bmp: no such file in the world (\"hall_background.bmp\" is not an 8.3 name"},
    {"view header not 40", [](TestWorld& w) { w.Put("HALL.BMP", Damaged(640, 480, 20, [](BmpLayout& l) { l.headerSize = 108; })); },
     "HALL.BMP: error: its info header is 108 bytes, not 40, so the viewer does not read its colour table"},
    {"panorama over 2048 wide", [](TestWorld& w) { w.Put("YARD.BMP", Damaged(2100, 480, 30, [](BmpLayout&) {})); },
     "YARD.BMP: error: the viewer cannot load this panorama (game.txt:8): it is 2100 pixels wide; the viewer reads at most 2048"},
    {"view truncated", [](TestWorld& w) { w.Put("HALL.BMP", Damaged(640, 480, 20, [](BmpLayout& l) { l.truncateTo = 5000; })); },
     "HALL.BMP: error: the viewer cannot load this closeup picture (game.txt:3): the file is truncated"},
    {"view top-down", [](TestWorld& w) { w.Put("HALL.BMP", Damaged(640, 480, 20, [](BmpLayout& l) { l.height = -480; })); },
     "HALL.BMP: error: the viewer cannot load this closeup picture (game.txt:3): it is stored top-down"},
    {"stamp compressed", [](TestWorld& w) { w.Put("KEY.BMP", Damaged(20, 10, 70, [](BmpLayout& l) { l.compression = 1; })); },
     "KEY.BMP: error: the viewer cannot load this stamp picture (game.txt:4): it is compressed (RLE8)"},
    {"stamp 4 bits", [](TestWorld& w) { w.Put("KEY.BMP", Damaged(20, 10, 70, [](BmpLayout& l) { l.bitsPerPixel = 4; l.colourTableEntries = 16; })); },
     "KEY.BMP: error: the viewer cannot load this stamp picture (game.txt:4): it has 4 bits per pixel, not 8"},
    {"stamp is a PNG", [](TestWorld& w) { w.Put("KEY.BMP", Bytes(Png)); },
     "KEY.BMP: error: the viewer cannot load this stamp picture (game.txt:4): it is a PNG picture, not a BMP"},
    {"sprite missing", [](TestWorld& w) { w.Remove("ANIM0000.BMP"); },
     "game.txt:5: error: sprite frame ANIM0000.BMP: no such file in the world"},
    {"sprite frame refused", [](TestWorld& w) { w.Put("ANIM0001.BMP", Damaged(10, 10, 121, [](BmpLayout& l) { l.bitsPerPixel = 24; })); },
     "ANIM0001.BMP: error: the viewer cannot load this sprite frame, so the series ends after 1 frames: it has 24 bits"},
    {"offset line of six words", [](TestWorld& w) { w.Put("ANIMinfo.txt", Bytes(SpriteLine(200, 300) + "f abcde1 abcde2 abcde3 abcde4 a\n")); },
     "ANIMinfo.txt:2: error: the line for frame ANIM0001.BMP gives no position: it has 6 words"},
    {"offset word too short", [](TestWorld& w) { w.Put("ANIMinfo.txt", Bytes("f abc12 abcde0 abcde0 abcde7 a b\n")); },
     "ANIMinfo.txt:1: error: the line for frame ANIM0000.BMP gives no position: word 2 'abc12' is shorter than six characters"},
    {"icon missing", [](TestWorld& w) { w.Remove("KEYICON.BMP"); },
     "game.txt:4: error: item view key0000.bmp has no icon keyicon.bmp"},
    {"icon refused", [](TestWorld& w) { w.Put("KEYICON.BMP", Damaged(8, 8, 80, [](BmpLayout& l) { l.colorsUsed = 300; })); },
     "KEYICON.BMP: error: the viewer cannot load this item icon (game.txt:4): its colours-used field is 300"},
    {"item view of 23 frames", [](TestWorld& w) { w.Remove("key0023.bmp"); },
     "game.txt:4: error: item view key0000.bmp has 23 of its 24 frames (missing: key0023.bmp)"},
    {"item frame refused", [](TestWorld& w) { w.Put("key0005.bmp", Damaged(32, 32, 95, [](BmpLayout& l) { l.width = 0; })); },
     "key0005.bmp: error: the viewer cannot load this item-view frame (game.txt:4): its size is 0 x 32"},
    {"item view without digits", [](TestWorld& w) { w.Put("game.txt", Bytes(ScriptWith(4, "stamp KEY.BMP 100 100 20 10 PICK.WAV key.BMP"))); },
     "game.txt:4: error: item view 'key.BMP' must be four digits and '.bmp' in small letters"},
    {"sound missing", [](TestWorld& w) { w.Remove("PICK.WAV"); },
     "game.txt:6: error: door sound PICK.WAV: no such file in the world"},
    {"sound with an 18-byte format", [](TestWorld& w) { WavLayout l; l.formatChunkSize = 18; l.data.assign(8, 0); w.Put("PICK.WAV", MakeWav(l)); },
     "PICK.WAV: error: the viewer cannot play this stamp sound (game.txt:4): its format chunk is 18 bytes long, not 16"},
    {"sound with a chunk before the data", [](TestWorld& w) { WavLayout l; l.extraChunkBeforeData = true; l.data.assign(8, 0); w.Put("PICK.WAV", MakeWav(l)); },
     "PICK.WAV: error: the viewer cannot play this stamp sound (game.txt:4): a \"LIST\" chunk stands between"},
    // The sound device takes only 8- or 16-bit PCM: anything else is silence.
    {"sound of 32-bit floats", [](TestWorld& w) { WavLayout l; l.formatTag = 3; l.bitsPerSample = 32; l.data.assign(16, 0); w.Put("PICK.WAV", MakeWav(l)); },
     "PICK.WAV: error: the viewer cannot play this stamp sound (game.txt:4): it is floating-point (format 3) with 32 bits and 1 channels"},
    {"sound at 2 kHz", [](TestWorld& w) { WavLayout l; l.samplesPerSec = 2000; l.data.assign(8, 0x80); w.Put("PICK.WAV", MakeWav(l)); },
     "PICK.WAV: error: the viewer cannot play this stamp sound (game.txt:4): its sample rate is 2000 Hz; the viewer plays 4000 to 192000 Hz"},
    {"location without a view", [](TestWorld& w) { w.Put("game.txt", Bytes(ScriptWith(8, "rem no view"))); },
     "game.txt:7: error: location 'yard' has no view (a closeup or panorama line)"},
    {"panorama too short", [](TestWorld& w) { w.Put("YARD.BMP", WorldPicture(1024, 300, 30)); },
     "game.txt:8: error: panorama YARD.BMP is 300 rows high; the warp needs at least 400"},
    {"closeup larger than the screen", [](TestWorld& w) { w.Put("HALL.BMP", WorldPicture(700, 480, 20)); },
     "game.txt:3: error: closeup picture HALL.BMP is 700 x 480, larger than the 640 x 480 screen"},
    {"transition refused", [](TestWorld& w) {
         w.Put("game.txt", Bytes(ScriptWith(6, "door yard 300 200 100 100 PICK.WAV t0001.bmp 500 40")));
         w.Put("T0001.BMP", WorldPicture(480, 360, 5));
         w.Put("T0002.BMP", WorldPicture(400, 300, 5)); },
     "T0002.BMP: error: the transition frame is 400 x 300: the viewer shows frames 480 wide"},
    {"line before the first location", [](TestWorld& w) { w.Put("game.txt", Bytes("closeup HALL.BMP\n" + std::string(GoodScript))); },
     "game.txt:1: error: 'closeup' comes before the first 'location' line; the viewer ignores it"},
    {"no script", [](TestWorld& w) { w.Remove("game.txt"); },
     "game.txt: error: there is no game.txt: the viewer stops at start-up with \"Failed Tesrin\""},
};

// One world for every warning: the viewer runs, but not as the author meant.
const Case Warnings[] = {
    {"stamp rectangle differs", [](TestWorld& w) { w.Put("game.txt", Bytes(ScriptWith(4, "stamp KEY.BMP 100 100 24 10 PICK.WAV key0000.bmp"))); },
     "game.txt:4: warning: stamp rectangle 24 x 10 differs from KEY.BMP's size 20 x 10"},
    {"door partly outside", [](TestWorld& w) { w.Put("game.txt", Bytes(ScriptWith(6, "door yard 600 400 100 100 PICK.WAV - 500 40"))); },
     "game.txt:6: warning: door rectangle (600, 400, 100 x 100) lies partly outside the view picture (640 x 480)"},
    {"stamp wholly outside", [](TestWorld& w) { w.Put("game.txt", Bytes(ScriptWith(4, "stamp KEY.BMP 700 100 20 10 PICK.WAV key0000.bmp"))); },
     "game.txt:4: warning: stamp rectangle (700, 100, 20 x 10) lies wholly outside the view picture (640 x 480)"},
    {"door to its own location", [](TestWorld& w) { w.Put("game.txt", Bytes(std::string(GoodScript) + "door yard 500 100 50 50\n")); },
     "game.txt:10: warning: the door leads to its own location 'yard': a click reloads it"},
    {"location no door leads to", [](TestWorld& w) { w.Put("game.txt", Bytes(std::string(GoodScript) + "location cellar\ncloseup HALL.BMP\n")); },
     "game.txt:10: warning: no door leads to location 'cellar': only the Enter key reaches it"},
    {"cursor colour elsewhere in a palette", [](TestWorld& w) { w.Put("YARD.BMP", Damaged(1024, 480, 30, [](BmpLayout& l) { l.colours[61] = 0x00FF00FF; })); },
     "CURS0000.BMP: warning: colour 61 (45, 183, 200) shows as (254, 0, 254) in location 'yard' (distance 283)"},
    {"logo badly remapped", [](TestWorld& w) { w.Put("YARD.BMP", Damaged(1024, 480, 30, [](BmpLayout& l) { for (int i = 10; i < 210; i++) l.colours[i] = 0x808080; })); },
     "ZEMLOGO.BMP: warning: poor colour match: the logo's colour 40 (27, 207, 190) becomes entry 10 (111, 111, 111) in location 'yard' (distance 150)"},
    {"gap in a frame series", [](TestWorld& w) { w.Put("ANIM0003.BMP", WorldPicture(10, 10, 123, 1)); },
     "game.txt:5: warning: sprite ANIM0000.BMP: frame ANIM0002.BMP is missing, so ANIM0003.BMP and the frames after it are never shown"},
    {"stamp without item view", [](TestWorld& w) { w.Put("game.txt", Bytes(ScriptWith(4, "stamp KEY.BMP 100 100 20 10"))); },
     "game.txt:4: warning: stamp KEY.BMP has no item view, so it has no icon: the viewer never paints it"},
    {"number that is not one", [](TestWorld& w) { w.Put("game.txt", Bytes(ScriptWith(6, "door yard 3OO 200 100 100 PICK.WAV - 500 40"))); },
     "game.txt:6: warning: argument 2 '3OO' is not a whole number; the viewer reads it as 3"},
    {"sound longer than the viewer plays", [](TestWorld& w) { WavLayout l; l.samplesPerSec = 8000; l.data.assign(8000 * 400, 0x80); w.Put("PICK.WAV", MakeWav(l)); },
     "PICK.WAV: warning: this stamp sound (game.txt:4) lasts 400 s; the viewer plays at most 360 s at 8000 Hz, 8-bit mono"},
    {"name cut to 31 characters", [](TestWorld& w) {
         const char* name = "yard_with_a_very_long_name_indeed";
         std::string script = ScriptWith(7, std::string("location ") + name);
         w.Put("game.txt", Bytes(script.replace(script.find("door yard"), 9, std::string("door ") + name))); },
     "game.txt:7: warning: 'yard_with_a_very_long_name_indeed' is longer than 31 characters; the viewer cuts it to 'yard_with_a_very_long_name_inde'"},
};

void RunCases(const Case* cases, size_t count, bool errors) {
    for (size_t i = 0; i < count; i++) {
        TestWorld world;
        cases[i].damage(world);
        Report report;
        int clean = CheckArchive(world.Archive(), &report);
        std::string all = Diagnostics(report);
        EXPECT_EQ(clean, errors ? 0 : 1) << cases[i].name << "\n" << all;
        EXPECT_EQ(report.errors > 0, errors) << cases[i].name << "\n" << all;
        EXPECT_NE(("\n" + all).find(std::string("\n") + cases[i].expected), std::string::npos)
            << cases[i].name << "\n" << all;
        EXPECT_EQ(LiveBlocks, 0) << cases[i].name;
    }
}

TEST(Check, EveryErrorOfTheTable) { RunCases(Errors, sizeof Errors / sizeof Errors[0], true); }
TEST(Check, EveryWarningOfTheTable) { RunCases(Warnings, sizeof Warnings / sizeof Warnings[0], false); }

TEST(Check, GoodWorldGivesNothing) {
    Report report;
    EXPECT_EQ(CheckArchive(TestWorld().Archive(), &report), 1);
    EXPECT_EQ(Diagnostics(report), "");
    EXPECT_EQ(LiveBlocks, 0);
}

// An archive file too large to read whole is checked where the check looks,
// the viewer reading it on demand: the same diagnostics as from memory.
TEST(Check, ArchiveFileReadOnDemandGivesTheSameReport) {
    TestWorld world;
    world.Put("game.txt", Bytes(ScriptWith(6, "door yard 600 400 100 100 PICK.WAV - 500 40")));
    world.Put("KEYICON.BMP", Damaged(8, 8, 80, [](BmpLayout& l) { l.colorsUsed = 300; }));
    ASSERT_TRUE(world.WriteArchive("check_demand.zem"));
    Report inMemory, onDemand;
    CheckArchive(world.Archive(), &inMemory);
    size_t whole = CheckWholeArchiveBytes, memory = ArchiveMemoryLimit;
    CheckWholeArchiveBytes = 0;
    ArchiveMemoryLimit = 0;
    CheckArchiveFile("check_demand.zem", &onDemand);
    CheckWholeArchiveBytes = whole;
    ArchiveMemoryLimit = memory;
    EXPECT_GE(inMemory.errors, 1);
    EXPECT_GE(inMemory.warnings, 1);
    std::string expected = Diagnostics(inMemory);
    for (size_t at; (at = expected.find("data.zem")) != std::string::npos;) expected.replace(at, 8, "check_demand.zem");
    EXPECT_EQ(Diagnostics(onDemand), expected);
    EXPECT_EQ(LiveBlocks, 0);
}

}  // namespace

namespace {

// The command line: folders are packed as zempack would pack them, so
// names it cannot hold are errors; exit 1 with an error, 0 otherwise.
TEST(CheckCommand, FoldersArchivesAndExitCodes) {
    TestWorld world;
    ASSERT_TRUE(world.WriteFolder("check_good"));
    ToolResult r = Zemworld("check check_good");
    EXPECT_EQ(r.code, 0) << r.output;
    EXPECT_EQ(r.output, "zemworld check: 0 errors, 0 warnings\n");

    world.Put("BACKGROUND1.BMP", WorldPicture(2, 2, 1));
    world.Put("hall.bmp", WorldPicture(2, 2, 1));  // HALL.BMP to the archive
    world.Put("game.txt", Bytes(std::string(GoodScript) + "door hall 1 2 3\n"));
    ASSERT_TRUE(world.WriteFolder("check_names"));
    r = Zemworld("check check_names");
    EXPECT_EQ(r.code, 1) << r.output;
    EXPECT_NE(r.output.find("check_names/BACKGROUND1.BMP: error: the archive cannot hold this name: "
                            "\"BACKGROUND1.BMP\" is not an 8.3 name"),
              std::string::npos)
        << r.output;
    EXPECT_NE(r.output.find("check_names/hall.bmp: error: the archive cannot hold both \"HALL.BMP\" and \"hall.bmp\""),
              std::string::npos)
        << r.output;
    // The rest of the folder is still checked, at its own paths.
    EXPECT_NE(r.output.find("check_names/game.txt:10: warning: 'door' has no full rectangle"), std::string::npos)
        << r.output;

    world = TestWorld();
    world.Put("game.txt", Bytes(ScriptWith(7, "loction yard")));
    ASSERT_TRUE(world.WriteArchive("check_bad.zem"));
    r = Zemworld("check check_bad.zem");
    EXPECT_EQ(r.code, 1) << r.output;
    EXPECT_NE(("\n" + r.output).find("\ngame.txt:7: error: unknown keyword 'loction'"), std::string::npos)
        << r.output;

    std::string error;
    ASSERT_TRUE(PackWriteFile("check_junk.zem", Bytes("not an archive at all"), &error));
    r = Zemworld("check check_junk.zem");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.output.find("check_junk.zem: error: not a world archive"), std::string::npos) << r.output;
    r = Zemworld("check check_nowhere");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.output.find("check_nowhere: error: no such file or folder"), std::string::npos) << r.output;
}

}  // namespace
