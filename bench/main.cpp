#include "FindBench.h"
#include "LoadChild.h"
#include "OpenBench.h"
#include "SideBySide.h"
#include "TestDocumentGenerator.h"
#include "TreeBench.h"
#include "UndoBench.h"
#include "ValidateBench.h"
#include "XPathBench.h"
#include "XsltBench.h"

#include <QCoreApplication>
#include <QDir>
#include <QString>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr double LoadTarget = 1.15;
constexpr double FormatTarget = 1.5;
constexpr double LoadPeakTarget = 1.1;

struct Options {
    std::string file; // empty: generate one
    int sizeMb = 10;
    int runs = 5;
    bool keep = false;
    bool verbose = false;
};

void PrintUsage(std::FILE* stream)
{
    std::fprintf(stream,
        "Usage: trelvo-bench [--size N] [--runs N] [--keep] [--verbose]\n"
        "       trelvo-bench [--runs N] [--verbose] FILE\n"
        "\n"
        "Measures the DOM service against plain libxml2 on one document: the load\n"
        "(DomDocument::load against xmlReadFile), the save's formatting (SourceFormatter\n"
        "against xmlDocDumpFormatMemory), the save's check that the formatted bytes load\n"
        "again (save_check_ms) and the peak resident memory of each load, each\n"
        "in a child process of its own; then the tree view on the offscreen platform: the\n"
        "open with every tree item built against libxml2's plain parse, its peak memory,\n"
        "the first paint, selecting the \"Document\" item, Expand All and Collapse All;\n"
        "then the source pane beside the tree: selecting the \"Document\" item (the pane\n"
        "formats all of it) against SourceFormatter alone, the memory the pane holds for\n"
        "that text, and selecting an ordinary element; then the tree's edit commands with\n"
        "the panes hidden: Move Down and Copy and Paste of a branch of 100,000 items, an\n"
        "element inserted and deleted in the fully expanded tree, and deleting the root\n"
        "element. Times are the best of the runs,\n"
        "alternating sides, with the file in the page cache. The last line is a JSON\n"
        "object with the ratios.\n"
        "\n"
        "  FILE       measure this file instead of a generated one\n"
        "  --size N   generate a test document of N MiB (default 10) in the temporary folder\n"
        "  --runs N   timed runs per side (default 5)\n"
        "  --keep     keep the generated document\n"
        "  --verbose  print the time of every run\n"
        "  --help     show this text\n");
}

bool ParsePositive(const char* text, int& value)
{
    char* end = nullptr;
    const long parsed = std::strtol(text, &end, 10);
    if (end == text || *end != '\0' || parsed <= 0 || parsed > 4096)
        return false;
    value = static_cast<int>(parsed);
    return true;
}

// 0: go on; otherwise the exit status.
int ParseArguments(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "--help" || argument == "-h") {
            PrintUsage(stdout);
            return -1;
        }
        if (argument == "--size" || argument == "--runs") {
            int& value = argument == "--size" ? options.sizeMb : options.runs;
            if (i + 1 >= argc || !ParsePositive(argv[++i], value)) {
                std::fprintf(
                    stderr, "trelvo-bench: %s needs a positive number\n", argument.c_str());
                return 2;
            }
        } else if (argument == "--keep") {
            options.keep = true;
        } else if (argument == "--verbose") {
            options.verbose = true;
        } else if (argument.rfind("-", 0) == 0 || !options.file.empty()) {
            std::fprintf(stderr, "trelvo-bench: unexpected argument %s\n", argument.c_str());
            PrintUsage(stderr);
            return 2;
        } else {
            options.file = argument;
        }
    }
    return 0;
}

double Ratio(double ours, double baseline) { return baseline > 0 ? ours / baseline : 0; }

const char* Verdict(double ratio, double target) { return ratio <= target ? "met" : "MISSED"; }

// A run that took much longer than the CPU time it used was waiting for a core.
bool Busy(const Timing& timing) { return timing.wall > 1.15 * timing.cpu + 0.005; }

// Prints one measurement line and returns the wall-time ratio; a target of 0 means none.
double PrintTimes(const char* what, const Timing& ours, const Timing& baseline, double target)
{
    const double ratio = Ratio(ours.wall, baseline.wall);
    std::printf("%s: %.3f s  libxml2: %.3f s  ratio %.2f", what, ours.wall, baseline.wall, ratio);
    if (target > 0)
        std::printf("  (target <= %.2f %s)", target, Verdict(ratio, target));
    std::printf("  [cpu %.3f s / %.3f s, ratio %.2f]\n", ours.cpu, baseline.cpu,
        Ratio(ours.cpu, baseline.cpu));
    return ratio;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && IsLoadChildFlag(argv[1]))
        RunLoadChild(argv[1], argv[2], argc, argv);
    if (argc >= 3 && IsTreeChildFlag(argv[1]))
        RunTreeChild(argc, argv);
    if (argc >= 3 && std::string(argv[1]) == ChildFindFlag)
        RunFindChild(argc, argv);
    if (argc >= 3 && std::string(argv[1]) == ChildUndoFlag)
        RunUndoChild(argc, argv);
    if (argc >= 3 && std::string(argv[1]) == ChildXsltFlag)
        RunXsltChild(argc, argv);
    if (argc >= 3 && std::string(argv[1]) == ChildOpenFlag)
        RunOpenChild(argc, argv);
    if (argc >= 3 && std::string(argv[1]) == ChildXPathFlag)
        RunXPathChild(argc, argv);

    Options options;
    if (const int status = ParseArguments(argc, argv, options))
        return status < 0 ? 0 : status;

    QCoreApplication app(argc, argv);
    const bool generated = options.file.empty();
    std::string path = options.file;
    if (generated) {
        // The process id keeps two benchmarks running at once from writing the same file.
        path = (QDir::tempPath()
            + QStringLiteral("/trelvo-bench-%1mb-%2.xml").arg(options.sizeMb).arg(getpid()))
                   .toStdString();
        TestDocumentGenerator generator;
        if (!generator.Write(path, static_cast<std::uint64_t>(options.sizeMb) << 20)) {
            std::fprintf(stderr, "trelvo-bench: cannot write %s\n", path.c_str());
            return 1;
        }
        std::printf("generated %s: %llu records, %llu of them under one parent\n", path.c_str(),
            static_cast<unsigned long long>(generator.recordCount()),
            static_cast<unsigned long long>(generator.bulkRecordCount()));
    }
    struct stat info { };
    if (stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode) || !WarmPageCache(path)) {
        std::fprintf(stderr, "trelvo-bench: cannot read %s\n", path.c_str());
        return 1;
    }
    const double fileMb = static_cast<double>(info.st_size) / (1 << 20);
    std::printf("file: %s (%.1f MiB), best of %d runs\n", path.c_str(), fileMb, options.runs);
    std::fflush(stdout);

    // The children run first, while this process is still small.
    SideBySideFigures figures;
    TreeFigures tree;
    FindFigures find;
    UndoFigures undo;
    ValidateFigures validate;
    XsltFigures xslt;
    OpenFigures open;
    XPathFigures xpath;
    std::string error;
    if (!MeasureChildLoads(path, options.runs, options.verbose, figures, error)
        || !MeasureTimes(path, options.runs, options.verbose, figures, error)
        || !MeasureTree(path, options.runs, options.verbose, tree, error)
        || !MeasureFind(path, options.runs, find, error)
        || !MeasureUndo(path, options.runs, undo, error)
        || !MeasureValidate(path, options.runs, options.verbose, validate, error)
        || !MeasureXslt(path, options.runs, xslt, error)
        || !MeasureOpen(path, options.runs, open, error)
        || !MeasureXPath(path, options.runs, xpath, error)) {
        std::fprintf(stderr, "trelvo-bench: %s\n", error.c_str());
        if (generated && !options.keep)
            unlink(path.c_str());
        return 1;
    }
    if (generated && !options.keep)
        unlink(path.c_str());

    const double peakRatio
        = Ratio(static_cast<double>(figures.domPeakKb), static_cast<double>(figures.libxml2PeakKb));
    const double loadRatio = PrintTimes("load", figures.domLoad, figures.libxml2Load, LoadTarget);
    const double freshRatio
        = PrintTimes("load (fresh process)", figures.domFreshLoad, figures.libxml2FreshLoad, 0);
    const double formatRatio
        = PrintTimes("format", figures.domFormat, figures.libxml2Format, FormatTarget);
    std::printf("format output: %.1f M characters, libxml2: %.1f MB\n",
        static_cast<double>(figures.domFormatChars) / 1e6,
        static_cast<double>(figures.libxml2FormatBytes) / 1e6);
    std::printf("save check: %.1f ms  (the parse of the formatted bytes before a save)\n",
        figures.saveCheck.wall * 1000);
    std::printf("load_rss: %.1f MiB  libxml2: %.1f MiB  ratio %.2f  (target <= %.2f %s)\n",
        static_cast<double>(figures.domPeakKb) / 1024,
        static_cast<double>(figures.libxml2PeakKb) / 1024, peakRatio, LoadPeakTarget,
        Verdict(peakRatio, LoadPeakTarget));
    PrintTreeFigures(tree, figures.libxml2PeakKb);
    PrintFindFigures(find);
    PrintUndoFigures(undo);
    PrintValidateFigures(validate);
    PrintXsltFigures(xslt);
    PrintOpenFigures(open);
    PrintXPathFigures(xpath);

    const bool busy = Busy(figures.domLoad) || Busy(figures.libxml2Load) || Busy(figures.domFormat)
        || Busy(figures.libxml2Format);
    if (busy) {
        std::printf("warning: the best runs waited for a core (wall time well above CPU time); "
                    "the cpu ratios are the more reliable figures\n");
    }
    std::printf("{\"load_ratio\": %.3f, \"format_ratio\": %.3f, \"load_rss_ratio\": %.3f, "
                "\"fresh_load_ratio\": %.3f, \"load_cpu_ratio\": %.3f, "
                "\"format_cpu_ratio\": %.3f, \"save_check_ms\": %.1f, \"busy\": %s, "
                "\"file_bytes\": %lld%s%s}\n",
        loadRatio, formatRatio, peakRatio, freshRatio,
        Ratio(figures.domLoad.cpu, figures.libxml2Load.cpu),
        Ratio(figures.domFormat.cpu, figures.libxml2Format.cpu), figures.saveCheck.wall * 1000,
        busy ? "true" : "false", static_cast<long long>(info.st_size),
        generated ? (", \"size_mb\": " + std::to_string(options.sizeMb)).c_str() : "",
        (TreeJsonFields(tree, figures.libxml2PeakKb) + FindJsonFields(find) + UndoJsonFields(undo)
            + ValidateJsonFields(validate) + XsltJsonFields(xslt) + OpenJsonFields(open)
            + XPathJsonFields(xpath))
            .c_str());
    return 0;
}
