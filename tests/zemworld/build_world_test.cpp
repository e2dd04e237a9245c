// Worlds built from pictures and sounds in the authors' formats: the checker
// finds nothing, the headless viewer starts, enters every location and
// opens every item view, the fixed colours are where the viewer needs them,
// and the screen shows the author's picture.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <functional>
#include <set>

#include "app/app.h"
#include "backend/headless/headless.h"
#include "image/image.h"
#include "panorama/panorama.h"
#include "platform/platform.h"
#include "scene/scene.h"
#include "sound/sound.h"
#include "tests/zemworld/build_support.h"

namespace {

// Opaque bytes of an encoded picture, in stream order.
std::vector<uint8_t> OpaqueBytes(const Image* image) {
    std::vector<uint8_t> out;
    const uint8_t* p = image->pixels;
    const uint8_t* end = p + image->size;
    while (p + 4 <= end) {
        uint32_t word = (uint32_t)p[0] | (uint32_t)p[1] << 8 | (uint32_t)p[2] << 16 | (uint32_t)p[3] << 24;
        p += 4;
        if (word & 0x80000000u) continue;
        out.insert(out.end(), p, p + word);
        p += word;
    }
    return out;
}

Location* FindLocation(const char* name) {
    for (Location* l = Locations; l; l = l->next)
        if (!std::strcmp(l->name, name)) return l;
    return nullptr;
}

// Goes round every location through its first door, opening every item
// view on the way; returns the names in the order visited.
std::vector<std::string> VisitAll() {
    std::vector<std::string> seen;
    HeadlessSetClockStep(10);
    for (int step = 0; step < 8 && CurrentLocation; step++) {
        seen.push_back(CurrentLocation->name);
        for (Stamp* s = CurrentLocation->stamps; s; s = s->next) {
            if (!s->itemView[0]) continue;
            EXPECT_NE(s->icon, nullptr) << s->itemView << ": without its icon the stamp is never painted";
            ItemViewActive = 1;
            for (int k = 0; k < 24; k++) {
                zemItemView(s, k);
                EXPECT_NE(s->itemPicture, nullptr) << s->itemView;
            }
            zemItemView(s, -1);
            ItemViewActive = 0;
        }
        if (!CurrentLocation->doors) break;
        zemChangeLoc(CurrentLocation->doors);
        if (CurrentLocation == Locations) break;
    }
    return seen;
}

class BuildWorldTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        world = WriteTourWorld(TestFolder("tour"));
        ok = BuildWorld(world.folder, &result, &report, nullptr);
    }
    static TourWorld world;
    static BuildResult result;
    static Report report;
    static int ok;
};
TourWorld BuildWorldTest::world;
BuildResult BuildWorldTest::result;
Report BuildWorldTest::report;
int BuildWorldTest::ok;

TEST_F(BuildWorldTest, EveryFormatGivesAWorldTheViewerPlays) {
    ASSERT_EQ(ok, 1) << ::testing::PrintToString(RealDiagnostics(report));
    EXPECT_EQ(RealDiagnostics(report), std::vector<std::string>());
    for (const LocationQuality& q : result.quality) EXPECT_GE(q.worstPsnr, 30) << q.location << " " << q.worstPicture;

    // The checker's names become the author's files.
    Report check, mapped;
    ReportError(&check, "HALL.BMP", 0, "picture HALL.BMP: width over 2048.");
    ReportWarning(&check, "game.txt", 14, "sprite BIRD0000.BMP: frame BIRD0002.BMP is missing");
    ReportError(&check, "BIRDinfo.txt", 1, "fewer than seven words");
    ReportError(&check, "ARATICON.BMP", 0, "not 8 bits");
    MapCheckReport(check, result, &mapped);
    std::string f = world.folder;
    EXPECT_EQ(RealDiagnostics(mapped),
              (std::vector<std::string>{
                  f + "/photos/hall.png: error: picture " + f + "/photos/hall.png: width over 2048.",
                  f + "/game.txt:14: warning: sprite " + f + "/anim/bird_01.png: frame " + f + "/anim/bird_03.png is missing",
                  f + "/anim/bird_info.txt:1: error: fewer than seven words",
                  f + "/items/a_rather_long_folder_name_for_the_lamp_frames/icon.png: error: not 8 bits (made from "
                      "items/a_rather_long_folder_name_for_the_lamp_frames/turn0.bmp)"}));

    std::string message;
    ASSERT_EQ(StartViewer(result.archive, &message), 1) << message;
    // The start-up logo goes through the identity: its bytes must mean the
    // logo's colours in the first location's palette too.
    std::vector<uint8_t> logo = OpaqueBytes(Logo);
    ASSERT_FALSE(logo.empty());
    for (uint8_t v : logo) EXPECT_EQ(std::memcmp(&CurrentPalette[v * 4], &LogoPalette[v * 4], 3), 0) << (int)v;
    // So does the cursor, in every location.
    std::set<uint8_t> cursor;
    for (Image* f = Cursor->first; f; f = f->next)
        for (uint8_t v : OpaqueBytes(f)) cursor.insert(v);
    uint8_t first[1024];
    std::memcpy(first, CurrentPalette, 1024);
    // A sprite on the photo lands where the projection puts its rows 100 to
    // 119 and columns 270 to 299 (of 512), every frame alike.
    double scale = ColumnScale[320] / 4194304.0, rowsPerTan = 1024 / (2 * M_PI) * scale;
    auto row = [&](double v) { return std::lround(320 * scale - rowsPerTan * std::tan(M_PI * (0.5 - v / 256))); };
    for (Image* f = CurrentLocation->sprites->sprite->first; f; f = f->next) {
        EXPECT_EQ(f->x, row(100));  // column-major: x is the top row
        EXPECT_EQ(f->width, row(120) - row(100));
        EXPECT_EQ(f->y, 1024 - 600);  // the stored column of its rightmost one, 599
        EXPECT_EQ(f->height, 60);
    }

    Location* hall = FindLocation("hall");
    ASSERT_NE(hall, nullptr);
    int played = 0;
    std::vector<std::string> seen;
    HeadlessSetClockStep(10);
    for (int step = 0; step < 3; step++) {
        seen.push_back(CurrentLocation->name);
        EXPECT_EQ(CurrentPalette[0] | CurrentPalette[1] | CurrentPalette[2], 0) << CurrentLocation->name;
        for (uint8_t v : cursor)
            EXPECT_EQ(std::memcmp(&CurrentPalette[v * 4], &first[v * 4], 3), 0) << CurrentLocation->name << " " << (int)v;
        if (CurrentLocation == hall) {
            // Sprite frames on a panorama are stored from their right edge:
            // the top-right pixel is the transparent one, and nothing else
            // of the frame was lost.
            Image* frame = hall->sprites->sprite->first;
            int opaque = 0;
            for (size_t i = 3; i < world.birdFrame.pixels.size(); i += 4) opaque += world.birdFrame.pixels[i] >= 128;
            EXPECT_EQ((int)OpaqueBytes(frame).size(), opaque);
            EXPECT_EQ(hall->sprites->sprite->count, 4);
        }
        for (Stamp* s = CurrentLocation->stamps; s; s = s->next) {
            if (!s->itemView[0]) continue;
            EXPECT_NE(s->icon, nullptr);
            ItemViewActive = 1;
            // (The checker has seen all 24 frames there, also for the crate,
            // whose author gave eight.)
            for (int k = 0; k < 24; k++) {
                zemItemView(s, k);
                ASSERT_NE(s->itemPicture, nullptr) << k;
                EXPECT_EQ(s->itemPicture->width, 64);
            }
            zemItemView(s, -1);
            ItemViewActive = 0;
        }
        int before = HeadlessPlayedCount();
        zemChangeLoc(CurrentLocation->doors);
        played += HeadlessPlayedCount() - before;
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"plaza", "workshop", "hall"}));
    EXPECT_STREQ(CurrentLocation->name, "plaza");
    // The stereo door sound and the float chime, as 16-bit PCM at 44.1 kHz.
    ASSERT_EQ(HeadlessPlayedCount(), 2);
    for (int i = 0; i < 2; i++) {
        const HeadlessPlayed* p = HeadlessPlayedAt(i);
        EXPECT_EQ(p->format.bitsPerSample, 16);
        EXPECT_EQ(p->format.channels, 2);
        EXPECT_EQ(p->format.samplesPerSec, 44100u);
    }
    EXPECT_EQ(HeadlessPlayedAt(0)->bytes.size(), 4410u * 4);
    EXPECT_EQ(HeadlessPlayedAt(1)->bytes.size(), 4000u * 4);
    // The arrival pan was given in the photo's columns: 256 of 512 is 512
    // of the built 1024.
    EXPECT_EQ(PanX, 512);
    EXPECT_EQ(StopViewer(), 0);
}

double ScreenPsnr(const std::function<const uint8_t*(int32_t column, int32_t row)>& source, int32_t columns) {
    const uint8_t* screen = HeadlessBackPixels();
    double error = 0;
    int64_t samples = 0;
    for (int32_t y = 0; y < 480; y++)
        for (int32_t x = 0; x < 640; x++) {
            int32_t j = x < 320 ? x : 639 - x;
            uint32_t u = (uint32_t)ColumnOffset[j] + (uint32_t)ColumnScale[j] * (uint32_t)(PanY + y);
            const uint8_t* want = source((PanX + x) % columns, (int32_t)(u >> 22));
            const uint8_t* shown = &CurrentPalette[screen[y * 640 + x] * 4];
            for (int c = 0; c < 3; c++) error += (double)(want[c] - shown[c]) * (want[c] - shown[c]);
            samples += 3;
        }
    return 10 * std::log10(255.0 * 255 * samples / error);
}

TEST_F(BuildWorldTest, TheScreenShowsTheAuthorsPicture) {
    ASSERT_EQ(ok, 1);
    std::string message;
    ASSERT_EQ(StartViewer(result.archive, &message), 1) << message;
    // The plaza: the photo projected onto the cylinder, here worked out
    // again from the projection's definition, then through the warp.
    double scale = ColumnScale[320] / 4194304.0, horizon = 320 * scale, k = 1024 / (2 * M_PI) * scale;
    const Rgba& photo = world.plaza;
    std::vector<uint8_t> cylinder((size_t)1024 * CylinderRows * 3);
    for (int32_t y = 0; y < CylinderRows; y++) {
        double latitude = std::atan((horizon - (y + 0.5)) / k);
        double v = photo.height * (0.5 - latitude / M_PI) - 0.5;
        for (int32_t x = 0; x < 1024; x++) {
            double u = (x + 0.5) * photo.width / 1024 - 0.5;
            for (int c = 0; c < 3; c++) {
                double sum = 0;
                for (int n = 0; n < 4; n++) {
                    int32_t cu = ((int32_t)std::floor(u) + (n & 1) + photo.width) % photo.width;
                    int32_t cv = std::clamp((int32_t)std::floor(v) + (n >> 1), 0, photo.height - 1);
                    double w = ((n & 1) ? u - std::floor(u) : 1 - (u - std::floor(u))) *
                               ((n >> 1) ? v - std::floor(v) : 1 - (v - std::floor(v)));
                    sum += w * photo.pixels[((size_t)cv * photo.width + cu) * 4 + c];
                }
                cylinder[((size_t)y * 1024 + x) * 3 + c] = (uint8_t)std::lround(sum);
            }
        }
    }
    Image* plaza = CurrentLocation->view->picture;
    ASSERT_EQ(plaza->height, 1024);  // column-major: height holds the columns
    ASSERT_EQ(plaza->width, CylinderRows);
    for (int32_t pan : {0, 67, 159}) {
        PanX = 300 + pan;  // the crate at columns 200 to 247 stays out of sight
        PanY = pan;
        ASSERT_EQ(DrawPanorama(BackBuffer, plaza), 1);
        double psnr = ScreenPsnr([&](int32_t c, int32_t r) { return &cylinder[((size_t)r * 1024 + c) * 3]; }, 1024);
        EXPECT_GE(psnr, 30) << "plaza at pan " << pan;
        std::printf("plaza at PanY %d: %.1f dB\n", PanY, psnr);
    }
    // The hall: a cylinder painted as it is shown.
    HeadlessSetClockStep(10);
    zemChangeLoc(CurrentLocation->doors);
    zemChangeLoc(CurrentLocation->doors);
    ASSERT_STREQ(CurrentLocation->name, "hall");
    for (int32_t pan : {0, 67, 96}) {
        PanX = 700 - pan;
        PanY = pan;
        ASSERT_EQ(DrawPanorama(BackBuffer, CurrentLocation->view->picture), 1);
        int32_t columns = world.hall.width;
        double psnr =
            ScreenPsnr([&](int32_t c, int32_t r) { return &world.hall.pixels[((size_t)r * columns + c) * 4]; }, columns);
        EXPECT_GE(psnr, 30) << "hall at pan " << pan;
        std::printf("hall at PanY %d: %.1f dB\n", PanY, psnr);
    }
    StopViewer();
}

int Shell(const std::string& command) {
    int status = std::system(command.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

TEST(BuildStarterTest, NewThenBuildPlaysAtOnceAndAFailedBuildWritesNothing) {
    const char* tool = std::getenv("ZEMWORLD");
    ASSERT_NE(tool, nullptr);
    std::string folder = TestFolder("starter");
    ASSERT_EQ(Shell(std::string(tool) + " new " + folder + "/world > /dev/null"), 0);
    EXPECT_NE(Shell(std::string(tool) + " new " + folder + "/world 2> /dev/null"), 0) << "new must not overwrite a world";
    ASSERT_EQ(Shell(std::string(tool) + " build --quiet " + folder + "/world " + folder + "/out.zem > /dev/null 2>&1"), 0);
    std::vector<uint8_t> archive;
    std::string error;
    ASSERT_TRUE(PackReadFile(folder + "/out.zem", &archive, &error)) << error;
    Report check;
    EXPECT_EQ(CheckArchive(archive, &check), 1);
    EXPECT_EQ(RealDiagnostics(check), std::vector<std::string>());
    std::string message;
    ASSERT_EQ(StartViewer(archive, &message), 1) << message;
    EXPECT_EQ(VisitAll(), (std::vector<std::string>{"garden", "shed"}));
    EXPECT_EQ(FindLocation("garden")->sprites->sprite->count, 8);
    EXPECT_EQ(StopViewer(), 0);

    // A picture the build cannot read: exit 1, the old archive untouched,
    // no half-written one beside it.
    WriteBytes(folder + "/world/shed.png", Bytes("not a picture"));
    EXPECT_EQ(Shell(std::string(tool) + " build " + folder + "/world " + folder + "/out.zem > /dev/null 2>&1"), 1);
    std::vector<uint8_t> after;
    ASSERT_TRUE(PackReadFile(folder + "/out.zem", &after, &error));
    EXPECT_EQ(after, archive);
    EXPECT_FALSE(std::filesystem::exists(folder + "/out.zem.part"));
}

}  // namespace
