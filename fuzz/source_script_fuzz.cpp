// The input is taken as an author's source game.txt: the importer's reader
// must never read or write outside its buffers, every diagnostic must name
// game.txt and one of its lines, and the viewer's script written from it
// must keep every line where it was (so that the checker's line numbers are
// the author's) with no line longer than the viewer reads in one piece.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "scene/scene.h"
#include "tools/zemworld/import.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text((const char*)data, size);
    SourceScript script;
    Report report;
    ReadSourceScript(text, "game.txt", &script, &report);
    for (const Diagnostic& d : report.items)
        if (d.file != "game.txt" || d.line < 1 || d.line > (int32_t)script.lines.size()) std::abort();

    // Every file argument gets a name, as the build gives them.
    std::map<int, std::map<int, std::string>> replaced;
    for (size_t n = 0; n < script.lines.size(); n++) {
        const SourceLine& line = script.lines[n];
        for (size_t a = 1; a < line.tokens.size(); a++) {
            int kind = SourceFileKind(line.keyword, (int)a);
            if (kind == FILE_NONE) continue;
            SeriesName series = SplitSeriesName(line.tokens[a]);
            if (series.digits < 0 || series.digits > 9) std::abort();
            replaced[(int)n][(int)a] = SourceKindIsSeries(kind) ? "abcd0000.bmp" : "ABCDEFGH.BMP";
        }
    }
    std::string out = WriteViewerScript(script, replaced);

    // Read back as the viewer splits lines and words.
    size_t start = 0, lines = 0;
    while (start < out.size()) {
        size_t end = out.find('\n', start);
        if (end == std::string::npos || end - start >= SCRIPT_LINE_BYTES - 1) std::abort();
        const SourceLine& source = script.lines[lines];
        ScriptLine words;
        zemSplitScriptLine(out.substr(start, end - start).c_str(), &words);
        int keyword = words.count ? zemScriptKeyword(words.token[0]) : -1;
        if (source.keyword >= 1 && keyword != source.keyword) std::abort();
        start = end + 1;
        lines++;
    }
    if (lines != script.lines.size()) std::abort();
    return 0;
}
