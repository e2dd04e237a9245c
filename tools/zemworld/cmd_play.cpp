// zemworld play SRC [viewer options]: the author's loop. The source folder
// is built, the viewer (zemvr --author, beside zemworld or on PATH) started
// on it, and the folder watched; every save builds again what changed and
// the viewer reloads the world in place. A failed build prints its
// diagnostics and has the viewer draw the first error over the picture
// until a build succeeds; it never ends the session. The session ends with
// the viewer.
#include <dirent.h>
#include <fcntl.h>
#include <limits.h>
#include <poll.h>
#include <signal.h>
#include <sys/inotify.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <map>

#include "tools/zempack/pack.h"
#include "tools/zemworld/import.h"

// Saves come as bursts of events (a temporary file, a rename, the folder):
// a build starts once the folder has been quiet this long.
static const int QuietMilliseconds = 40;
static const int WaitMilliseconds = 250;
static const uint32_t WatchMask =
    IN_CLOSE_WRITE | IN_MOVED_TO | IN_MOVED_FROM | IN_CREATE | IN_DELETE | IN_ATTRIB | IN_DELETE_SELF;

static volatile sig_atomic_t StopAsked = 0;
static void OnStop(int) { StopAsked = 1; }

namespace {
struct Session {
    std::string source;
    std::string folder;  // ours, for the built archives
    int generation = 0;
    BuildCache cache;
    int watch = -1;
    std::map<int, std::string> folders;  // each watch's folder
    pid_t viewer = -1;
    int commands = -1;  // the viewer's standard input
};
}  // namespace

static int Executable(const std::string& path) {
    struct stat st;
    return stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && access(path.c_str(), X_OK) == 0;
}

// The viewer named by ZEMWORLD_VIEWER, else zemvr beside this program, else
// the build tree's (build/tools/zemworld/zemworld beside build/zemvr), else
// the first on PATH; "" when none.
static std::string FindViewer() {
    const char* named = getenv("ZEMWORLD_VIEWER");
    if (named && *named) return Executable(named) ? named : "";
    char self[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", self, sizeof self - 1);
    if (n > 0) {
        self[n] = 0;
        std::filesystem::path here = std::filesystem::path(self).parent_path();
        for (const std::filesystem::path& beside : {here / "zemvr", here / ".." / ".." / "zemvr"})
            if (Executable(beside)) return beside.lexically_normal();
    }
    const char* path = getenv("PATH");
    for (std::string rest = path ? path : ""; !rest.empty();) {
        size_t colon = rest.find(':');
        std::string dir = rest.substr(0, colon);
        rest = colon == std::string::npos ? "" : rest.substr(colon + 1);
        if (!dir.empty() && Executable(dir + "/zemvr")) return dir + "/zemvr";
    }
    return "";
}

// Names editors write beside the file they save.
static int Scratch(const char* name) {
    size_t n = std::strlen(name);
    return name[0] == '.' || (n && name[n - 1] == '~') || (n > 4 && std::strcmp(name + n - 4, ".swp") == 0);
}

// The folder and its subfolders; links are not followed (what they lead to
// inside the folder is watched where it stands).
static void WatchTree(Session* s, const std::string& folder, int depth) {
    int wd = depth > 32 ? -1 : inotify_add_watch(s->watch, folder.c_str(), WatchMask | IN_DONT_FOLLOW | IN_ONLYDIR);
    if (wd < 0) return;
    s->folders[wd] = folder;
    DIR* dir = opendir(folder.c_str());
    if (!dir) return;
    while (dirent* e = readdir(dir)) {
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0 || Scratch(e->d_name)) continue;
        std::string path = folder + "/" + e->d_name;
        struct stat st;
        if (lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode)) WatchTree(s, path, depth + 1);
    }
    closedir(dir);
}

// A file just created is still being written: its close (or the rename
// that puts it in place) is the change. A link is whole when made.
static int BeingWritten(const Session* s, const inotify_event* e) {
    if (!(e->mask & IN_CREATE) || (e->mask & IN_ISDIR)) return 0;
    auto folder = s->folders.find(e->wd);
    struct stat st;
    return folder == s->folders.end() || !e->len ||
           lstat((folder->second + "/" + e->name).c_str(), &st) != 0 || !S_ISLNK(st.st_mode);
}

// Reads the events waiting; 1 when one of them is a change worth a build.
static int TakeEvents(Session* s) {
    alignas(inotify_event) char buffer[16384];
    int changed = 0;
    for (;;) {
        ssize_t got = read(s->watch, buffer, sizeof buffer);
        if (got <= 0) return changed;
        for (char* at = buffer; at < buffer + got;) {
            const inotify_event* e = (const inotify_event*)at;
            at += sizeof(inotify_event) + e->len;
            if (e->mask & IN_Q_OVERFLOW) {
                changed = 1;
                continue;
            }
            if ((e->len && Scratch(e->name)) || BeingWritten(s, e)) continue;
            changed = 1;
            // A new folder is watched too (and what it already holds counts
            // as changed: the build reads it anew).
            if ((e->mask & (IN_CREATE | IN_MOVED_TO)) && (e->mask & IN_ISDIR)) {
                // The watch's folder is not in the event: every folder is
                // walked again, which the watch table keeps once each.
                WatchTree(s, s->source, 0);
            }
        }
    }
}

// Waits for a change and for the folder to go quiet; 0 when the session
// ends first (a stop signal, or the viewer closed).
static int WaitForChange(Session* s, int* viewerEnded) {
    for (;;) {
        if (StopAsked) return 0;
        if (s->viewer > 0) {
            int status;
            if (waitpid(s->viewer, &status, WNOHANG) == s->viewer) {
                s->viewer = -1;
                *viewerEnded = WIFEXITED(status) ? WEXITSTATUS(status) : 1;
                return 0;
            }
        }
        struct pollfd p = {s->watch, POLLIN, 0};
        if (poll(&p, 1, WaitMilliseconds) <= 0 || !TakeEvents(s)) continue;
        // The rest of the save's burst.
        while (poll(&p, 1, QuietMilliseconds) > 0) TakeEvents(s);
        return 1;
    }
}

static void Send(Session* s, const std::string& line) {
    if (s->commands < 0) return;
    std::string text = line + "\n";
    const char* at = text.c_str();
    size_t left = text.size();
    while (left) {
        ssize_t n = write(s->commands, at, left);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;  // the viewer is gone; waitpid will tell
        at += n;
        left -= (size_t)n;
    }
}

static pid_t StartViewer(Session* s, const std::string& viewer, const std::string& archive,
                         const std::vector<std::string>& options) {
    int pipeFds[2];
    if (pipe2(pipeFds, O_CLOEXEC) != 0) return -1;
    std::vector<std::string> args = {viewer, "--author"};
    args.insert(args.end(), options.begin(), options.end());
    args.push_back("--");
    args.push_back(archive);
    pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[0], STDIN_FILENO);
        std::vector<char*> argv;
        for (std::string& a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        signal(SIGPIPE, SIG_DFL);
        execv(viewer.c_str(), argv.data());
        std::fprintf(stderr, "zemworld play: cannot start %s: %s\n", viewer.c_str(), std::strerror(errno));
        _exit(127);
    }
    close(pipeFds[0]);
    if (pid < 0) {
        close(pipeFds[1]);
        return -1;
    }
    s->commands = pipeFds[1];
    return pid;
}

// One build; the archive's path, or "" after a failed build (its
// diagnostics printed, the first one sent to the viewer).
static std::string Rebuild(Session* s) {
    auto start = std::chrono::steady_clock::now();
    BuildResult result;
    Report report;
    s->cache.reused = s->cache.built = 0;
    int ok = BuildWorld(s->source, &result, &report, nullptr, &s->cache);
    PrintReport(report, stderr);
    std::string why, path;
    if (ok && !AddAuthorMap(&result, &why)) {
        ReportError(&report, result.script, 0, why);
        ok = 0;
    }
    if (ok) {
        path = s->folder + "/world-" + std::to_string(++s->generation) + ".zem";
        if (!PackWriteFile(path, result.archive, &why)) {
            std::fprintf(stderr, "zemworld play: %s\n", why.c_str());
            ReportError(&report, path, 0, why);
            ok = 0;
            path.clear();
        }
        // The viewer holds its world in memory; the one before stays in
        // case this one cannot be opened.
        std::string old = s->folder + "/world-" + std::to_string(s->generation - 2) + ".zem";
        unlink(old.c_str());
    }
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (ok) {
        std::fprintf(stderr, "zemworld play: built in %.2f s (%d location(s) built, %d unchanged)\n", seconds,
                     s->cache.built, s->cache.reused);
        return path;
    }
    std::string first;
    for (const Diagnostic& d : report.items)
        if (d.error) {
            first = FormatDiagnostic(d);
            break;
        }
    if (first.empty()) first = "the build failed";
    if (report.errors > 1) first += " (" + std::to_string(report.errors) + " errors; the terminal lists them)";
    std::fprintf(stderr, "zemworld play: the build failed; the viewer shows the last world until a save fixes it\n");
    Send(s, "error " + first);
    return "";
}

static void PlayUsage(FILE* to) {
    std::fprintf(to,
                 "usage: zemworld play SRC [viewer options]\n"
                 "Builds the source folder SRC, plays it in the viewer (zemvr --author, with the\n"
                 "viewer options given: --window, --scale ...) and builds again on every save:\n"
                 "the viewer reloads in place, at the same location, pan and view size. Errors\n"
                 "are listed here and the newest is drawn over the picture until a save fixes it.\n"
                 "The status line shows the location, its picture's file and the cursor's place\n"
                 "in that picture's pixels. Keys of the viewer that print here, ready to paste\n"
                 "into game.txt:\n"
                 "  P                  the pan, as a door's PANX PANY\n"
                 "  Ctrl + drag        the rectangle dragged, as x y w h\n"
                 "  Tab (hold)         outlines, labelled with your file names\n"
                 "The viewer is ZEMWORLD_VIEWER, else zemvr beside zemworld, else on PATH.\n"
                 "The session ends when the viewer is closed (Esc).\n");
}

static void RemoveFolder(const std::string& folder) {
    std::error_code ec;
    std::filesystem::remove_all(folder, ec);
}

int CommandPlay(int argc, char** argv) {
    if (argc >= 1 && (std::strcmp(argv[0], "--help") == 0 || std::strcmp(argv[0], "-h") == 0)) {
        PlayUsage(stdout);
        return 0;
    }
    if (argc < 1 || argv[0][0] == '-') {
        PlayUsage(stderr);
        return 2;
    }
    Session s;
    s.source = argv[0];
    std::vector<std::string> options(argv + 1, argv + argc);
    struct stat st;
    if (stat(s.source.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) {
        std::fprintf(stderr, "zemworld play: %s is not a source folder (zemworld new DIR makes one)\n",
                     s.source.c_str());
        return 1;
    }
    std::string viewer = FindViewer();
    if (viewer.empty()) {
        std::fprintf(stderr, "zemworld play: no viewer: ZEMWORLD_VIEWER names none, and zemvr is neither beside zemworld nor on PATH\n");
        return 1;
    }
    const char* tmp = getenv("TMPDIR");
    std::string pattern = std::string(tmp && *tmp ? tmp : "/tmp") + "/zemworld-play-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back(0);
    if (!mkdtemp(name.data())) {
        std::fprintf(stderr, "zemworld play: cannot make a folder in %s: %s\n", tmp ? tmp : "/tmp",
                     std::strerror(errno));
        return 1;
    }
    s.folder = name.data();
    s.watch = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (s.watch < 0) {
        std::fprintf(stderr, "zemworld play: cannot watch %s: %s\n", s.source.c_str(), std::strerror(errno));
        RemoveFolder(s.folder);
        return 1;
    }
    WatchTree(&s, s.source, 0);
    struct sigaction stop = {};
    stop.sa_handler = OnStop;
    sigemptyset(&stop.sa_mask);
    for (int sig : {SIGINT, SIGTERM, SIGHUP}) sigaction(sig, &stop, nullptr);
    signal(SIGPIPE, SIG_IGN);

    int status = 0, ended = -1;
    std::string archive = Rebuild(&s);
    while (archive.empty()) {
        std::fprintf(stderr, "zemworld play: waiting for a save to build again\n");
        if (!WaitForChange(&s, &ended)) break;
        archive = Rebuild(&s);
    }
    if (!archive.empty()) {
        s.viewer = StartViewer(&s, viewer, archive, options);
        if (s.viewer < 0) {
            std::fprintf(stderr, "zemworld play: cannot start %s: %s\n", viewer.c_str(), std::strerror(errno));
            status = 1;
        }
        std::fprintf(stderr, "zemworld play: watching %s; save a file to see it in the viewer\n", s.source.c_str());
        while (s.viewer > 0 && WaitForChange(&s, &ended)) {
            std::string built = Rebuild(&s);
            if (!built.empty()) Send(&s, "reload " + built);
        }
    }
    // The viewer ends with its input, or is asked to.
    if (s.commands >= 0) close(s.commands);
    if (s.viewer > 0) {
        int waited = 0, code = 0;
        while (waitpid(s.viewer, &code, WNOHANG) == 0 && waited < 100) {
            usleep(50000);
            if (++waited == 60) kill(s.viewer, SIGTERM);
        }
        if (waited == 100) {
            kill(s.viewer, SIGKILL);
            waitpid(s.viewer, &code, 0);
        }
        ended = WIFEXITED(code) ? WEXITSTATUS(code) : 1;
    }
    close(s.watch);
    RemoveFolder(s.folder);
    if (ended > 0) status = ended;
    return StopAsked && ended < 0 ? 0 : status;
}
