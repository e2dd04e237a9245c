// zemworld web WORLD OUTDIR [--title TEXT]: a folder that plays the world in
// a browser from any static web server: index.html, the program (zemvr.js
// and zemvr.wasm, from the web build) and the world's archive (data.zem).
// The world is checked first, as the viewer will read it; a world with
// errors is not written.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "tools/zempack/pack.h"
#include "tools/zemworld/world.h"
#include "tools/zemworld/zemworld.h"

namespace fs = std::filesystem;

static const char* const RuntimeFiles[] = {"index.html", "zemvr.js", "zemvr.wasm"};

static std::string HtmlEscaped(const std::string& text);

static int Usage() {
    std::fprintf(stderr, "usage: zemworld web WORLD OUTDIR [--title TEXT] [--force]\n"
                         "  WORLD is a world archive (.zem) or a folder of the viewer's files.\n"
                         "  OUTDIR is made, or must be empty or hold an earlier web folder;\n"
                         "  --force writes into a folder that holds other files (they are left\n"
                         "  as they are, and nothing is written through a link).\n");
    return 2;
}

static const char* const WrittenFiles[] = {"index.html", "zemvr.js", "zemvr.wasm", "data.zem"};

static int IsWritten(const std::string& name) {
    for (const char* n : WrittenFiles)
        if (name == n) return 1;
    return 0;
}

// What in the folder is not an earlier web folder's: anything besides the
// four files, any of them that is not a regular file, and everything when
// its index.html is not one this command wrote.
static std::vector<std::string> InTheWay(const fs::path& folder) {
    std::vector<std::string> out;
    std::vector<uint8_t> head;
    std::string what;
    int ours = ExamineOutput((folder / "index.html").string(), &head, &what) == OUTPUT_FILE && IsWrittenPage(head);
    std::error_code ec;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        std::string name = it->path().filename().string();
        int kind = ExamineOutput(it->path().string(), &head, &what);
        if (!IsWritten(name))
            out.push_back(name + " (not one of the web folder's files)");
        else if (kind != OUTPUT_FILE)
            out.push_back(name + " (" + what.substr(what.find(' ') + 1) + ")");
        else if (!ours)
            out.push_back(name + (name == "index.html" ? " (a page zemworld web did not write)"
                                                       : " (beside no page zemworld web wrote)"));
    }
    if (ec) out.push_back("(the folder cannot be read: " + ec.message() + ")");
    return out;
}

// The page with its title and the mark that says this command wrote it.
static std::string Page(std::string html, const std::string& title) {
    for (size_t at; (at = html.find("@TITLE@")) != std::string::npos;) html.replace(at, 7, HtmlEscaped(title));
    size_t head = html.find("<head>");
    if (head != std::string::npos)
        html.insert(head + 6, std::string("\n") + PageMark);
    else
        html.insert(0, std::string(PageMark) + "\n");
    return html;
}

static int HasRuntime(const fs::path& folder) {
    std::error_code ec;
    for (const char* name : RuntimeFiles)
        if (!fs::is_regular_file(folder / name, ec)) return 0;
    return 1;
}

// Where the web build's files are: ZEMWORLD_WEB if set, else "web" beside
// this program (the build tree), else share/zemvr/web of the prefix this
// program is installed in.
static std::vector<fs::path> RuntimePlaces() {
    std::vector<fs::path> places;
    const char* chosen = std::getenv("ZEMWORLD_WEB");
    if (chosen && *chosen) {
        places.push_back(chosen);
        return places;
    }
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    if (!ec) {
        fs::path dir = self.parent_path();
        places.push_back(dir / "web");
        places.push_back(dir.parent_path() / "share" / "zemvr" / "web");
    }
    return places;
}

static std::string HtmlEscaped(const std::string& text) {
    std::string out;
    for (char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default:
                if ((unsigned char)c >= 0x20) out += c;
                break;
        }
    }
    return out;
}

// The world's name as a title: the archive's or folder's name, unless it is
// only the viewer's default archive name.
static std::string DefaultTitle(const fs::path& world) {
    fs::path p = world;
    if (p.filename().empty()) p = p.parent_path();
    std::string stem = p.stem().string();
    if (stem.empty() || stem == "data" || stem == "." || stem == "..") return "zemVR";
    return stem;
}

int CommandWeb(int argc, char** argv) {
    std::vector<std::string> places;
    std::string title;
    int force = 0;
    for (int i = 0; i < argc; i++) {
        if (!std::strcmp(argv[i], "--title") && i + 1 < argc)
            title = argv[++i];
        else if (!std::strcmp(argv[i], "--force"))
            force = 1;
        else if (argv[i][0] == '-' && argv[i][1])
            return Usage();
        else
            places.push_back(argv[i]);
    }
    if (places.size() != 2) return Usage();
    const std::string& world = places[0];
    const fs::path out = places[1];
    if (title.empty()) title = DefaultTitle(world);

    std::vector<uint8_t> archive;
    std::string error;
    if (!ReadWorld(world, &archive, &error)) {
        std::fprintf(stderr, "%s: error: %s\n", world.c_str(), error.c_str());
        return 1;
    }
    Report report;
    std::error_code kind;
    if (fs::is_directory(world, kind))
        CheckFolder(world, &report);
    else
        CheckArchive(archive, &report);
    PrintReport(report, stderr);
    if (report.errors) {
        std::fprintf(stderr, "%s: error: the world has errors; %s not written\n", world.c_str(),
                     out.string().c_str());
        return 1;
    }

    fs::path runtime;
    std::vector<fs::path> tried = RuntimePlaces();
    for (const fs::path& p : tried)
        if (HasRuntime(p)) {
            runtime = p;
            break;
        }
    if (runtime.empty()) {
        std::fprintf(stderr, "zemworld: error: the web build's files (index.html, zemvr.js, "
                             "zemvr.wasm) are not installed; looked in:\n");
        for (const fs::path& p : tried) std::fprintf(stderr, "  %s\n", p.string().c_str());
        std::fprintf(stderr, "Build with Emscripten installed (the default build makes them), "
                             "or set ZEMWORLD_WEB to their folder.\n");
        return 1;
    }

    std::error_code ec;
    fs::create_directories(out, ec);
    std::string reason = ec ? ec.message() : "";
    if (reason.empty() && !fs::is_directory(out, ec)) reason = "it is there and not a folder";
    if (!reason.empty()) {
        std::fprintf(stderr, "%s: error: cannot make the folder: %s\n", out.string().c_str(), reason.c_str());
        return 1;
    }
    std::vector<std::string> inTheWay = InTheWay(out);
    if (!inTheWay.empty() && !force) {
        std::fprintf(stderr, "%s: error: the folder holds files zemworld web did not write; nothing is written "
                             "(--force writes the four files into it all the same, never through a link):\n",
                     out.string().c_str());
        for (const std::string& line : inTheWay) std::fprintf(stderr, "  %s\n", line.c_str());
        return 1;
    }
    std::vector<uint8_t> page, script, wasm;
    if (!PackReadFile((runtime / "index.html").string(), &page, &error) ||
        !PackReadFile((runtime / "zemvr.js").string(), &script, &error) ||
        !PackReadFile((runtime / "zemvr.wasm").string(), &wasm, &error)) {
        std::fprintf(stderr, "zemworld: error: %s\n", error.c_str());
        return 1;
    }
    std::string html = Page(std::string(page.begin(), page.end()), title);
    // Each written beside its place and renamed over it: a link standing
    // there is replaced, never followed.
    const std::vector<uint8_t>* files[] = {nullptr, &script, &wasm, &archive};
    std::vector<uint8_t> htmlBytes(html.begin(), html.end());
    files[0] = &htmlBytes;
    for (int i = 0; i < 4; i++)
        if (!PackWriteFile((out / WrittenFiles[i]).string(), *files[i], &error)) {
            std::fprintf(stderr, "zemworld: error: %s\n", error.c_str());
            return 1;
        }
    std::printf("%s: index.html, zemvr.js, zemvr.wasm, data.zem (%zu bytes)\n"
                "Put the folder on any web server, or try it here with\n"
                "  python3 -m http.server -d %s 8000   and open http://localhost:8000/\n",
                out.string().c_str(), archive.size(), out.string().c_str());
    return 0;
}
