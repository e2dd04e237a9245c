// Diagnostics, one a line, in the form compilers use so that editors can
// jump to them.
#include "tools/zemworld/zemworld.h"

static void Add(Report* report, int error, const std::string& file, int32_t line,
                const std::string& text) {
    report->items.push_back({file, line, error, text});
    if (error)
        report->errors++;
    else
        report->warnings++;
}

void ReportError(Report* report, const std::string& file, int32_t line,
                 const std::string& text) {
    Add(report, 1, file, line, text);
}

void ReportWarning(Report* report, const std::string& file, int32_t line,
                   const std::string& text) {
    Add(report, 0, file, line, text);
}

std::string FormatDiagnostic(const Diagnostic& d) {
    std::string out = d.file;
    if (d.line > 0) out += ":" + std::to_string(d.line);
    out += d.error ? ": error: " : ": warning: ";
    return out + d.text;
}

void PrintReport(const Report& report, FILE* out) {
    for (const Diagnostic& d : report.items) std::fprintf(out, "%s\n", FormatDiagnostic(d).c_str());
}
