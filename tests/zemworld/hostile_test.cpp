// Source folders and outputs as a stranger may hand them over: pictures
// whose headers lie, sparse files, links to outside the folder, FIFOs,
// links planted where the tool writes. Each is run through the real tool,
// which must end with status 1 (no signal, no hang), name the file and the
// reason, write nothing outside its output, and keep its peak memory (the
// kernel's figure for that process) under 500 MB, in the sanitizer build
// too.
#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <stb_image_write.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>
#include <thread>

#include "tests/zemworld/build_support.h"
#include "tests/zemworld/check_world.h"

namespace fs = std::filesystem;

namespace {

const long MostPeakKb = 500 * 1024;
const int DeadlineSeconds = 120;

struct ToolRun {
    int exited = 0;  // 1: by exit, not by a signal
    int code = -1;
    long peakKb = 0;
    int hung = 0;
    std::string output;
};

// The tool with its arguments in folder, its output in a file, its own
// peak memory from the kernel's accounting; killed at the deadline.
ToolRun RunTool(const std::string& folder, const std::vector<std::string>& arguments) {
    ToolRun run;
    const char* tool = std::getenv("ZEMWORLD");
    std::string exe = fs::absolute(tool ? tool : "../tools/zemworld/zemworld").string();
    std::string log = fs::absolute(folder + ".log").string();
    std::string runtime = fs::absolute(folder + "-runtime").string();
    pid_t pid = fork();
    if (pid == 0) {
        int fd = open(log.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(fd, 1);
        dup2(fd, 2);
        if (chdir(folder.c_str()) != 0) _exit(99);
        setenv("ZEMWORLD_WEB", runtime.c_str(), 1);
        std::vector<char*> argv = {(char*)exe.c_str()};
        for (const std::string& a : arguments) argv.push_back((char*)a.c_str());
        argv.push_back(nullptr);
        execv(exe.c_str(), argv.data());
        _exit(98);
    }
    int status = 0;
    struct rusage usage = {};
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(DeadlineSeconds);
    while (wait4(pid, &status, WNOHANG, &usage) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            wait4(pid, &status, 0, &usage);
            run.hung = 1;
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    run.exited = WIFEXITED(status);
    run.code = run.exited ? WEXITSTATUS(status) : -1;
    run.peakKb = usage.ru_maxrss;
    std::vector<uint8_t> bytes;
    std::string error;
    if (PackReadFile(log, &bytes, &error)) run.output.assign(bytes.begin(), bytes.end());
    unlink(log.c_str());
    if (std::getenv("HOSTILE_SHOW")) std::printf("%s", run.output.c_str());
    return run;
}

// Everything under a folder, links not followed, without one path: what
// each entry is and holds.
std::map<std::string, std::string> Snapshot(const std::string& folder, const std::string& except) {
    std::map<std::string, std::string> out;
    std::error_code ec;
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string path = it->path().string();
        std::string relative = path.substr(folder.size() + 1);
        if (!except.empty() && (relative == except || relative.rfind(except + "/", 0) == 0)) {
            it.disable_recursion_pending();
            continue;
        }
        struct stat info;
        if (lstat(path.c_str(), &info) != 0) continue;
        std::string what = std::to_string(info.st_mode) + " " + std::to_string(info.st_size) + " " +
                           std::to_string(info.st_mtim.tv_sec) + "." + std::to_string(info.st_mtim.tv_nsec);
        if (S_ISLNK(info.st_mode)) what += " -> " + fs::read_symlink(path, ec).string();
        if (S_ISREG(info.st_mode) && info.st_size < (1 << 20)) {
            std::vector<uint8_t> bytes;
            std::string error;
            PackReadFile(path, &bytes, &error);
            what += " " + std::string(bytes.begin(), bytes.end());
        }
        out[relative] = what;
    }
    return out;
}

void Text(const std::string& path, const std::string& text) { WriteBytes(path, Bytes(text)); }

void Link(const std::string& target, const std::string& path) {
    std::error_code ec;
    fs::create_directories(fs::path(path).parent_path(), ec);
    ASSERT_EQ(symlink(target.c_str(), path.c_str()), 0) << path;
}

void Fifo(const std::string& path) {
    fs::remove(path);
    ASSERT_EQ(mkfifo(path.c_str(), 0600), 0) << path;
}

void Sparse(const std::string& path, const std::vector<uint8_t>& head, off_t size) {
    WriteBytes(path, head);
    ASSERT_EQ(truncate(path.c_str(), size), 0) << path;
}

// The smallest world a build takes: a logo, a cursor, one closeup.
const char* const BaseScript = "location room\ncloseup room.png\n";
void WriteBaseWorld(const std::string& src) {
    WritePicture(src + "/ZEMLOGO.png", Blob(16, 8, 0x2080F0));
    for (int k = 0; k < 4; k++) WritePicture(src + "/CURS000" + std::to_string(k) + ".png", Blob(8, 8, 0xF0F0F0));
    WritePicture(src + "/room.png", PhotoLike(64, 48, 1));
    Text(src + "/game.txt", BaseScript);
}

void Append(void* context, void* data, int n) {
    auto* out = (std::vector<uint8_t>*)context;
    out->insert(out->end(), (uint8_t*)data, (uint8_t*)data + n);
}

// A GIF whose screen is 16384 x 3051 pixels (just under 50 million), in 35
// bytes: one colour table of two, one frame declared as large, no data.
std::vector<uint8_t> HugeGif() {
    std::vector<uint8_t> g = {'G', 'I', 'F', '8', '9', 'a', 0x00, 0x40, 0xEB, 0x0B, 0x80, 0, 0, 0, 0, 0,
                              255, 255, 255, 0x2C, 0, 0, 0, 0, 0x00, 0x40, 0xEB, 0x0B, 0, 2, 2, 0x4C, 0x01, 0, 0x3B};
    return g;
}

// A JPEG whose first Huffman table declares 255 codes of each length from 1
// to 4: 1,020 codes where a table holds 256.
std::vector<uint8_t> JpegWithTooManyCodes() {
    Rgba p = PhotoLike(16, 16, 3);
    std::vector<uint8_t> j;
    stbi_write_jpg_to_func(Append, &j, p.width, p.height, 4, p.pixels.data(), 80);
    for (size_t i = 2; i + 4 < j.size(); i++) {
        if (j[i] != 0xFF || j[i + 1] != 0xC4) continue;
        size_t length = (size_t)j[i + 2] << 8 | j[i + 3];
        std::vector<uint8_t> segment = {0xFF, 0xC4, 0, 0, j[i + 4]};
        for (int k = 0; k < 16; k++) segment.push_back(k < 4 ? 255 : 0);
        for (int k = 0; k < 1020; k++) segment.push_back((uint8_t)k);
        segment[2] = (uint8_t)((segment.size() - 2) >> 8);
        segment[3] = (uint8_t)(segment.size() - 2);
        std::vector<uint8_t> out(j.begin(), j.begin() + (long)i);
        out.insert(out.end(), segment.begin(), segment.end());
        out.insert(out.end(), j.begin() + (long)(i + 2 + length), j.end());
        return out;
    }
    return j;
}

// A WAV header for sample data of `bytes` that the file does not hold.
std::vector<uint8_t> WavHead(uint32_t rate, uint16_t channels, uint16_t bits, uint32_t bytes) {
    WavLayout w;
    w.channels = channels;
    w.samplesPerSec = rate;
    w.bitsPerSample = bits;
    std::vector<uint8_t> head = MakeWav(w);
    for (int k = 0; k < 4; k++) head[40 + k] = (uint8_t)(bytes >> (8 * k));
    return head;
}

struct Case {
    const char* what;
    std::function<void(const std::string& root)> prepare;  // root holds src/ and outside/
    std::vector<std::string> arguments;
    const char* output;  // what the tool may write, relative to root
    const char* file;    // the message names it ...
    const char* reason;  // ... and says this
};

const std::vector<Case>& Cases() {
    static const std::vector<Case> cases = {
        {"a JPEG view whose Huffman table declares 1,020 codes",
         [](const std::string& r) {
             WriteBytes(r + "/src/room.jpg", JpegWithTooManyCodes());
             Text(r + "/src/game.txt", "location room\ncloseup room.jpg\n");
         },
         {"build", "src", "w.zem"}, "w.zem", "room.jpg", "damaged JPEG"},
        {"a 35-byte GIF of 16384 x 3051 pixels as a one-frame item view",
         [](const std::string& r) {
             WritePicture(r + "/src/vase.png", Blob(8, 8, 0x804020));
             WriteBytes(r + "/src/items/frame.gif", HugeGif());
             Text(r + "/src/game.txt", std::string(BaseScript) + "stamp vase.png 4 4 8 8 - items/\n");
         },
         {"build", "src", "w.zem"}, "w.zem", "frame.gif", "at most 2048 pixels wide"},
        {"40 copies of that GIF as sprite frames",
         [](const std::string& r) {
             for (int k = 0; k < 40; k++) WriteBytes(r + "/src/fire/f" + std::to_string(100 + k) + ".gif", HugeGif());
             Text(r + "/src/game.txt", std::string(BaseScript) + "sprite fire/ on\n");
         },
         {"build", "src", "w.zem"}, "w.zem", "f100.gif", "at most 2048 pixels wide"},
        {"that GIF as a view, where its size is allowed",
         [](const std::string& r) {
             WriteBytes(r + "/src/huge.gif", HugeGif());
             Text(r + "/src/game.txt", "location room\ncloseup huge.gif\n");
         },
         {"build", "src", "w.zem"}, "w.zem", "huge.gif", "damaged GIF"},
        {"a 2 GB sparse file as a picture",
         [](const std::string& r) {
             std::vector<uint8_t> png;
             stbi_write_png_to_func(Append, &png, 64, 48, 4, PhotoLike(64, 48, 1).pixels.data(), 64 * 4);
             png.resize(33);  // the signature and the header chunk
             Sparse(r + "/src/room.png", png, (off_t)2 << 30);
         },
         {"build", "src", "w.zem"}, "w.zem", "room.png", "damaged PNG"},
        {"eight empty 268 MB sparse WAVs as door sounds",
         [](const std::string& r) {
             std::string script = BaseScript;
             for (int k = 0; k < 8; k++) {
                 std::string name = "s" + std::to_string(k) + ".wav";
                 Sparse(r + "/src/" + name, WavHead(44100, 2, 16, 0x0FFFFFF0), 0x0FFFFFF0 + 44);
                 script += "door EXIT 0 0 8 8 " + name + " - 0 67\n";
             }
             Text(r + "/src/game.txt", script);
         },
         {"build", "src", "w.zem"}, "w.zem", "s0.wav", "lasts 1522 s; the viewer plays at most 190 s"},
        {"a 400-second door sound at 8 kHz",
         [](const std::string& r) {
             WavLayout w;
             w.samplesPerSec = 8000;
             w.bitsPerSample = 8;
             w.data.assign(8000 * 400, 128);
             WriteBytes(r + "/src/door.wav", MakeWav(w));
             Text(r + "/src/game.txt", std::string(BaseScript) + "door EXIT 0 0 8 8 door.wav - 0 67\n");
         },
         {"build", "src", "w.zem"}, "w.zem", "door.wav", "lasts 400 s; the viewer plays at most 360 s"},
        {"game.txt a link to a file outside the folder",
         [](const std::string& r) {
             Text(r + "/outside/game.txt", BaseScript);
             fs::remove(r + "/src/game.txt");
             Link("../outside/game.txt", r + "/src/game.txt");
         },
         {"build", "src", "w.zem"}, "w.zem", "game.txt", "outside the world folder"},
        {"a view picture that is a link to a picture outside",
         [](const std::string& r) {
             WritePicture(r + "/outside/secret.png", PhotoLike(64, 48, 9));
             fs::remove(r + "/src/room.png");
             Link(fs::absolute(r + "/outside/secret.png").string(), r + "/src/room.png");
         },
         {"build", "src", "w.zem"}, "w.zem", "room.png", "outside the world folder"},
        {"a sprite folder that is a link to a folder outside",
         [](const std::string& r) {
             WritePicture(r + "/outside/frames/f0.png", Blob(8, 8, 0xFF0000));
             Link("../outside/frames", r + "/src/fire");
             Text(r + "/src/game.txt", std::string(BaseScript) + "sprite fire/ on\n");
         },
         {"build", "src", "w.zem"}, "w.zem", "fire", "outside the world folder"},
        {"an offset file that is a link to a file outside",
         [](const std::string& r) {
             Text(r + "/outside/passwords", "frame xpos=0 prow=150 pcol=181 ypos=0 - -\n");
             WritePicture(r + "/src/fire/f0.png", Blob(8, 8, 0xFF0000));
             Link("../../outside/passwords", r + "/src/fire/info.txt");
             Text(r + "/src/game.txt", std::string(BaseScript) + "sprite fire/ on\n");
         },
         {"build", "src", "w.zem"}, "w.zem", "info.txt", "outside the world folder"},
        {"game.txt a FIFO", [](const std::string& r) { Fifo(r + "/src/game.txt"); }, {"build", "src", "w.zem"},
         "w.zem", "game.txt", "is a FIFO"},
        {"a view picture that is a FIFO", [](const std::string& r) { Fifo(r + "/src/room.png"); },
         {"build", "src", "w.zem"}, "w.zem", "room.png", "is a FIFO"},
        {"a door sound that is a FIFO",
         [](const std::string& r) {
             Fifo(r + "/src/door.wav");
             Text(r + "/src/game.txt", std::string(BaseScript) + "door EXIT 0 0 8 8 door.wav - 0 67\n");
         },
         {"build", "src", "w.zem"}, "w.zem", "door.wav", "is a FIFO"},
        {"a folder named as the view picture",
         [](const std::string& r) {
             fs::remove(r + "/src/room.png");
             fs::create_directories(r + "/src/room.png");
         },
         {"build", "src", "w.zem"}, "w.zem", "room.png", "is a folder"},
        {"a folder where the archive is to go", [](const std::string& r) { fs::create_directories(r + "/d.zem"); },
         {"build", "src", "d.zem"}, "d.zem", "d.zem", "Is a directory"},
        {"check of a 2 GB sparse file that is no archive",
         [](const std::string& r) { Sparse(r + "/big.zem", Bytes("\xff\xff\xff\x0f"), (off_t)2 << 30); },
         {"check", "big.zem"}, "", "big.zem", "not a world archive"},
        {"check of a folder of viewer files with a link to a file outside",
         [](const std::string& r) {
             Text(r + "/outside/secret", "not for the archive");
             Link("../outside/secret", r + "/viewer/SECRET.TXT");
         },
         {"check", "viewer"}, "", "SECRET.TXT", "symbolic link"},
        {"a web folder holding links to outside and a page it did not write",
         [](const std::string& r) {
             Text(r + "/elsewhere.js", "someone else's script");
             Text(r + "/site/index.html", "someone's own page");
             Link("../elsewhere.js", r + "/site/zemvr.js");
             Link("../created.wasm", r + "/site/zemvr.wasm");
         },
         {"web", "w.zem", "site"}, "site", "zemvr.js", "symbolic link"},
        {"render to a link to a file outside",
         [](const std::string& r) {
             Text(r + "/outside/victim.png", "keep");
             Link("outside/victim.png", r + "/out.png");
         },
         {"render", "w.zem", "out.png"}, "out.png", "out.png", "symbolic link"},
        {"render --all into a folder where a picture's name is a dangling link",
         [](const std::string& r) { Link("../outside/made.png", r + "/pictures/01-room.png"); },
         {"render", "w.zem", "pictures", "--all"}, "pictures", "01-room.png", "symbolic link"},
        {"render to a FIFO", [](const std::string& r) { Fifo(r + "/out.png"); }, {"render", "w.zem", "out.png"},
         "out.png", "out.png", "is a FIFO"},
    };
    return cases;
}

TEST(Hostile, EverySourceFolderCaseIsRefusedByNameWithinBounds) {
    std::string base = TestFolder("hostile");
    // A built world for the commands that take one, and the web build's
    // files for web.
    std::string clean = base + "/clean";
    WriteBaseWorld(clean + "/src");
    ToolRun built = RunTool(clean, {"build", "--quiet", "src", "w.zem"});
    ASSERT_EQ(built.code, 0) << built.output;
    std::printf("the base world built with a peak of %ld kB\n", built.peakKb);
    long worst = 0;
    std::string worstCase;
    int n = 0;
    for (const Case& c : Cases()) {
        SCOPED_TRACE(c.what);
        std::string root = base + "/case" + std::to_string(n++);
        fs::copy(clean, root, fs::copy_options::recursive);
        for (const char* file : {"index.html", "zemvr.js", "zemvr.wasm"}) Text(root + "-runtime/" + file, file);
        fs::create_directories(root + "/outside");
        c.prepare(root);
        std::map<std::string, std::string> before = Snapshot(root, c.output);
        ToolRun run = RunTool(root, c.arguments);
        EXPECT_FALSE(run.hung) << "still running after " << DeadlineSeconds << " s";
        EXPECT_TRUE(run.exited) << "ended by a signal";
        EXPECT_EQ(run.code, 1) << run.output;
        EXPECT_NE(run.output.find(c.file), std::string::npos) << run.output;
        EXPECT_NE(run.output.find(c.reason), std::string::npos) << run.output;
        EXPECT_EQ(Snapshot(root, c.output), before) << "something outside " << c.output << " changed";
        EXPECT_LT(run.peakKb, MostPeakKb) << run.output;
        if (run.peakKb > worst) {
            worst = run.peakKb;
            worstCase = c.what;
        }
    }
    std::printf("worst peak: %ld kB (%s)\n", worst, worstCase.c_str());
}

// What hostile folders must not cost the honest ones: a link inside the
// folder to a file inside it is followed; an output that is a link is
// replaced, not written through, when the tool may replace it; a file
// beside the archive that the build did not make is left alone.
TEST(Hostile, LinksInsideTheFolderAreFollowedAndLinkedOutputsReplaced) {
    std::string root = TestFolder("hostile-honest");
    WriteBaseWorld(root + "/src");
    WritePicture(root + "/src/pictures/real room.png", PhotoLike(64, 48, 2));
    fs::remove(root + "/src/room.png");
    Link("pictures/real room.png", root + "/src/room.png");
    WritePicture(root + "/src/frames/f0.png", Blob(8, 8, 0xFF0000));
    WritePicture(root + "/src/frames/f1.png", Blob(8, 8, 0x00FF00));
    Link("frames", root + "/src/fire");
    Text(root + "/src/game.txt", std::string(BaseScript) + "sprite fire/ on\n");
    Text(root + "/outside", "keep");
    Link("outside", root + "/w.zem");
    Text(root + "/w.zem.part", "not the build's");
    ToolRun run = RunTool(root, {"build", "src", "w.zem"});
    ASSERT_EQ(run.code, 0) << run.output;
    EXPECT_FALSE(fs::is_symlink(root + "/w.zem"));
    std::vector<uint8_t> archive, kept;
    std::string error;
    ASSERT_TRUE(PackReadFile(root + "/w.zem", &archive, &error)) << error;
    Report check;
    EXPECT_EQ(CheckArchive(archive, &check), 1);
    ASSERT_TRUE(PackReadFile(root + "/outside", &kept, &error));
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "keep");
    ASSERT_TRUE(PackReadFile(root + "/w.zem.part", &kept, &error));
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "not the build's");

    // render replaces its own picture, and with --force a link, whose
    // target stays as it was.
    EXPECT_EQ(RunTool(root, {"render", "w.zem", "a.png"}).code, 0);
    EXPECT_EQ(RunTool(root, {"render", "w.zem", "a.png", "--hotspots"}).code, 0);
    Link("outside", root + "/b.png");
    EXPECT_EQ(RunTool(root, {"render", "w.zem", "b.png"}).code, 1);
    EXPECT_EQ(RunTool(root, {"render", "w.zem", "b.png", "--force"}).code, 0);
    EXPECT_FALSE(fs::is_symlink(root + "/b.png"));
    ASSERT_TRUE(PackReadFile(root + "/outside", &kept, &error));
    EXPECT_EQ(std::string(kept.begin(), kept.end()), "keep");
}

}  // namespace
