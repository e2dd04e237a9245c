// zemworld web: the folder a static web server plays (the page titled, the
// web build's files, the world's archive), from an archive or a folder, and
// nothing written for a world that would not play or without the web build.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/zemworld/check_world.h"
#include "tools/zemworld/world.h"

namespace {

std::vector<uint8_t> Read(const std::string& path) {
    std::vector<uint8_t> bytes;
    std::string error;
    PackReadFile(path, &bytes, &error);
    return bytes;
}

std::string Text(const std::string& path) {
    std::vector<uint8_t> bytes = Read(path);
    return std::string(bytes.begin(), bytes.end());
}

// A stand-in for the web build's three files.
void WriteRuntime(const std::string& folder, const std::string& script) {
    std::system(("rm -rf " + folder + " && mkdir -p " + folder).c_str());
    std::string error;
    PackWriteFile(folder + "/index.html", Bytes("<title>@TITLE@</title><h1>@TITLE@</h1>"), &error);
    PackWriteFile(folder + "/zemvr.js", Bytes(script), &error);
    PackWriteFile(folder + "/zemvr.wasm", Bytes(std::string("\0asm\1\0\0\0", 8)), &error);
}

// ... with ZEMWORLD_WEB set to it. Each test has files of its own, as
// ctest runs them side by side in one folder.
struct FakeRuntime {
    explicit FakeRuntime(const std::string& folder) {
        WriteRuntime(folder, "var program;");
        setenv("ZEMWORLD_WEB", folder.c_str(), 1);
    }
    ~FakeRuntime() { unsetenv("ZEMWORLD_WEB"); }
};

std::vector<std::string> Members(const std::vector<uint8_t>& archive) {
    std::vector<PackListing> listing;
    std::string error;
    PackList(archive, &listing, &error);
    std::vector<std::string> names;
    for (const PackListing& m : listing) names.push_back(m.name);
    return names;
}

bool Exists(const std::string& path) { return std::system(("test -e " + path).c_str()) == 0; }

}  // namespace

TEST(Web, FolderHoldsThePageTheProgramAndTheWorld) {
    FakeRuntime runtime("web_runtime");
    TestWorld world;
    ASSERT_TRUE(world.WriteArchive("web_world.zem"));
    std::system("rm -rf web_out");
    ToolResult r = Zemworld("web web_world.zem web_out --title 'Tom & <Jerry>'");
    ASSERT_EQ(r.code, 0) << r.output;
    EXPECT_EQ(Text("web_out/index.html"), std::string(PageMark) +
                                              "\n<title>Tom &amp; &lt;Jerry&gt;</title><h1>Tom &amp; &lt;Jerry&gt;</h1>");
    EXPECT_EQ(Read("web_out/data.zem"), Read("web_world.zem"));
    EXPECT_EQ(Read("web_out/zemvr.js"), Read("web_runtime/zemvr.js"));
    EXPECT_EQ(Read("web_out/zemvr.wasm"), Read("web_runtime/zemvr.wasm"));

    // A folder of the viewer's files is packed as zempack packs it; the
    // title defaults to the world's name.
    ASSERT_TRUE(world.WriteFolder("web_folder"));
    std::system("rm -rf web_out2");
    r = Zemworld("web web_folder web_out2");
    ASSERT_EQ(r.code, 0) << r.output;
    EXPECT_EQ(Members(Read("web_out2/data.zem")), Members(world.Archive()));
    EXPECT_EQ(Text("web_out2/index.html"), std::string(PageMark) + "\n<title>web_folder</title><h1>web_folder</h1>");
}

// The folder is the web command's own: made, empty, or one it wrote
// before. Anything else stops it unless --force, and even then nothing is
// written through a link and other files stay as they are.
TEST(Web, WritesOnlyIntoItsOwnFolderAndNeverThroughALink) {
    FakeRuntime runtime("web5_runtime");
    TestWorld world;
    ASSERT_TRUE(world.WriteArchive("web5_world.zem"));
    std::system("rm -rf web5_out web5_elsewhere && mkdir web5_out");
    EXPECT_EQ(Zemworld("web web5_world.zem web5_out").code, 0);
    ToolResult r = Zemworld("web web5_world.zem web5_out --title again");
    EXPECT_EQ(r.code, 0) << r.output;
    EXPECT_NE(Text("web5_out/index.html").find("<title>again</title>"), std::string::npos);

    std::string error;
    ASSERT_TRUE(PackWriteFile("web5_out/notes.txt", Bytes("mine"), &error));
    ASSERT_TRUE(PackWriteFile("web5_elsewhere", Bytes("elsewhere"), &error));
    std::system("rm web5_out/zemvr.js && ln -s ../web5_elsewhere web5_out/zemvr.js");
    r = Zemworld("web web5_world.zem web5_out --title third");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.output.find("notes.txt (not one of the web folder's files)"), std::string::npos) << r.output;
    EXPECT_NE(r.output.find("zemvr.js (a symbolic link)"), std::string::npos) << r.output;
    EXPECT_NE(Text("web5_out/index.html").find("<title>again</title>"), std::string::npos);

    r = Zemworld("web web5_world.zem web5_out --title third --force");
    EXPECT_EQ(r.code, 0) << r.output;
    EXPECT_EQ(Text("web5_elsewhere"), "elsewhere");
    EXPECT_EQ(Text("web5_out/zemvr.js"), Text("web5_runtime/zemvr.js"));
    EXPECT_EQ(Text("web5_out/notes.txt"), "mine");
    EXPECT_NE(Text("web5_out/index.html").find("<title>third</title>"), std::string::npos);

    // A page of someone else's under the page's name.
    std::system("rm -rf web5_other && mkdir web5_other");
    ASSERT_TRUE(PackWriteFile("web5_other/index.html", Bytes("<p>my home page"), &error));
    r = Zemworld("web web5_world.zem web5_other");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.output.find("index.html (a page zemworld web did not write)"), std::string::npos) << r.output;
    EXPECT_EQ(Text("web5_other/index.html"), "<p>my home page");
}

TEST(Web, WritesNothingForWhatWouldNotPlay) {
    std::string error;
    ASSERT_TRUE(PackWriteFile("web_bad.zem", Bytes("not an archive at all"), &error));
    {
        FakeRuntime runtime("web2_runtime");
        std::system("rm -rf web2_none");
        ToolResult r = Zemworld("web web_bad.zem web2_none");
        EXPECT_EQ(r.code, 1);
        EXPECT_NE(r.output.find("web_bad.zem: error: not a world archive"), std::string::npos) << r.output;
        EXPECT_FALSE(Exists("web2_none"));

        r = Zemworld("web web_bad.zem");
        EXPECT_EQ(r.code, 2) << r.output;

        // The checker's errors are shown, and the folder is not made.
        TestWorld broken;
        broken.Remove("ZEMLOGO.BMP");
        ASSERT_TRUE(broken.WriteArchive("web_broken.zem"));
        r = Zemworld("web web_broken.zem web2_none");
        EXPECT_EQ(r.code, 1);
        EXPECT_NE(r.output.find("ZEMLOGO.BMP: error:"), std::string::npos) << r.output;
        EXPECT_NE(r.output.find("the world has errors; web2_none not written"), std::string::npos)
            << r.output;
        EXPECT_FALSE(Exists("web2_none"));
    }

    // Without the web build's files the tool says where it looked.
    std::system("rm -rf web_empty && mkdir -p web_empty");
    setenv("ZEMWORLD_WEB", "web_empty", 1);
    TestWorld world;
    ASSERT_TRUE(world.WriteArchive("web2_world.zem"));
    ToolResult r = Zemworld("web web2_world.zem web2_none");
    unsetenv("ZEMWORLD_WEB");
    EXPECT_EQ(r.code, 1);
    EXPECT_NE(r.output.find("are not installed; looked in:\n  web_empty"), std::string::npos) << r.output;
    EXPECT_FALSE(Exists("web2_none"));
}

// Without ZEMWORLD_WEB: the files in "web" beside the program (the build
// tree), else in share/zemvr/web of the prefix it is installed in.
TEST(Web, FindsTheWebFilesBesideItselfOrInItsPrefix) {
    const char* tool = std::getenv("ZEMWORLD");
    std::string program = tool ? tool : "../tools/zemworld/zemworld";
    TestWorld world;
    ASSERT_TRUE(world.WriteArchive("web4_world.zem"));
    unsetenv("ZEMWORLD_WEB");

    std::system("rm -rf web_prefix && mkdir -p web_prefix/bin");
    WriteRuntime("web_prefix/share/zemvr/web", "var installed;");
    ASSERT_EQ(std::system(("cp " + program + " web_prefix/bin/zemworld").c_str()), 0);
    std::system("rm -rf web_out3");
    ASSERT_EQ(std::system("web_prefix/bin/zemworld web web4_world.zem web_out3 > /dev/null 2>&1"), 0);
    EXPECT_EQ(Text("web_out3/zemvr.js"), "var installed;");

    // Files beside the program come first.
    WriteRuntime("web_prefix/bin/web", "var built;");
    std::system("rm -rf web_out3");
    ASSERT_EQ(std::system("web_prefix/bin/zemworld web web4_world.zem web_out3 > /dev/null 2>&1"), 0);
    EXPECT_EQ(Text("web_out3/zemvr.js"), "var built;");
}
