#include "TreeBench.h"

#include "LoadChild.h"

#include "FrameWindow.h"
#include "TreeCommands.h"
#include "TreeViewIds.h"
#include "TrelvoDoc.h"
#include "TrelvoView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>

#include <libxml/parser.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr double OpenTarget = 1.5;
constexpr double OpenPeakTarget = 1.3;
constexpr double PaintTargetMs = 50;
constexpr double ExpandTargetMs = 2000;

long PeakResidentKb()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0)
            return std::strtol(line.c_str() + 6, nullptr, 10);
    }
    return -1;
}

// See SideBySide.cpp: a teardown's fast bins must not be merged inside the next timed load.
void SettleHeap()
{
    void* volatile block = std::malloc(64 * 1024);
    std::free(block);
}

[[noreturn]] void Fail(const char* what)
{
    std::fprintf(stderr, "trelvo-bench: %s\n", what);
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(1);
}

// Counts the paint events of a widget.
class PaintCounter : public QObject {
public:
    int paints = 0;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return QObject::eventFilter(watched, event);
    }
};

// The document, the frame and the tree view as the program puts them together, on screen.
struct Window {
    TrelvoDoc doc;
    FrameWindow frame { TreeCommands::Table() };
    TrelvoView* view = nullptr;
    PaintCounter paints;

    Window()
    {
        frame.AddStatusPane(QStringLiteral("Load time: 0 secs"), 120);
        view = new TrelvoView(&frame);
        frame.setCentralWidget(view);
        frame.SetActiveView(view);
        doc.AddView(view);
        view->viewport()->installEventFilter(&paints);
        frame.resize(1000, 750);
        frame.show();
        UntilPainted();
    }

    // Runs the event loop until the tree has painted once more.
    void UntilPainted()
    {
        const int before = paints.paints;
        QElapsedTimer limit;
        limit.start();
        while (paints.paints == before) {
            QCoreApplication::processEvents();
            if (limit.elapsed() > 20000)
                Fail("the tree did not paint");
        }
    }

    // The open of the program: load, then the tree's initial update builds every item.
    Timing Open(const QString& path)
    {
        const Stopwatch stopwatch;
        if (!doc.OnOpenDocument(path))
            Fail("TrelvoDoc cannot open the file");
        doc.SendInitialUpdate();
        return stopwatch.Elapsed();
    }

    template <typename Action> double PaintedMs(Action action)
    {
        const Stopwatch stopwatch;
        action();
        UntilPainted();
        return stopwatch.Elapsed().wall * 1000;
    }
};

[[noreturn]] void Report(const std::string& text)
{
    std::fputs(text.c_str(), stdout);
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(0);
}

std::string Format(const char* format, double a, double b = 0)
{
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, format, a, b);
    return buffer;
}

[[noreturn]] void RunTimes(const QString& path, int runs, bool verbose)
{
    Window window;
    TreeFigures best;
    best.firstPaintMs = best.selectMs = best.expandAllMs = best.collapseAllMs
        = std::numeric_limits<double>::infinity();
    const QByteArray file = path.toLocal8Bit();
    for (int run = 0; run < runs; ++run) {
        Timing parse;
        auto baseline = [&] {
            const Stopwatch stopwatch;
            xmlDocPtr doc = xmlReadFile(file.constData(), nullptr, 0);
            parse = stopwatch.Elapsed();
            if (!doc)
                Fail("libxml2 cannot parse the file");
            xmlFreeDoc(doc);
            SettleHeap();
        };
        if (run % 2 == 0)
            baseline();
        const Timing open = window.Open(path);
        const double paint = window.PaintedMs([] {});
        const double select = window.PaintedMs(
            [&] { window.view->SelectItem(window.view->GetModel()->index(0, 0)); });
        const double expand
            = window.PaintedMs([&] { window.frame.RouteCommand(ID_ACTIONS_EXPAND_ALL); });
        const double collapse
            = window.PaintedMs([&] { window.frame.RouteCommand(ID_ACTIONS_COLLAPSE_ALL); });
        best.items = window.view->GetModel()->ItemCount();
        window.doc.ReleaseDom();
        SettleHeap();
        if (run % 2 == 1)
            baseline();
        if (verbose) {
            std::printf("  tree run %d: open %.3f s (cpu %.3f)  libxml2 %.3f s (cpu %.3f)  paint "
                        "%.1f ms  select %.1f ms  expand %.0f ms  collapse %.0f ms\n",
                run + 1, open.wall, open.cpu, parse.wall, parse.cpu, paint, select, expand,
                collapse);
        }
        best.open = best.open.Best(open);
        best.libxml2Parse = best.libxml2Parse.Best(parse);
        best.firstPaintMs = std::min(best.firstPaintMs, paint);
        best.selectMs = std::min(best.selectMs, select);
        best.expandAllMs = std::min(best.expandAllMs, expand);
        best.collapseAllMs = std::min(best.collapseAllMs, collapse);
    }
    Report(Format("open_s %.6f cpu_s %.6f\n", best.open.wall, best.open.cpu)
        + Format("libxml2_s %.6f cpu_s %.6f\n", best.libxml2Parse.wall, best.libxml2Parse.cpu)
        + Format("first_paint_ms %.3f\n", best.firstPaintMs)
        + Format("select_ms %.3f\n", best.selectMs)
        + Format("expand_all_ms %.3f\n", best.expandAllMs)
        + Format("collapse_all_ms %.3f\n", best.collapseAllMs)
        + Format("items %.0f\n", double(best.items)));
}

[[noreturn]] void RunOpen(const QString& path)
{
    Window window;
    const Timing open = window.Open(path);
    window.UntilPainted();
    const long peak = PeakResidentKb();
    if (peak < 0)
        Fail("cannot read VmHWM from /proc/self/status");
    // Ends with the document open: freeing it cannot lower the peak.
    Report(Format("load_s %.6f cpu_s %.6f\n", open.wall, open.cpu)
        + Format("peak_kb %.0f\n", double(peak)));
}

// The number after "name " at the start of a line of output, or -1.
double Field(const std::string& output, const std::string& name, int occurrence = 0)
{
    std::size_t at = 0;
    for (int i = 0; i <= occurrence; ++i) {
        at = output.find(name + ' ', i == 0 ? 0 : at + 1);
        if (at == std::string::npos)
            return -1;
    }
    return std::strtod(output.c_str() + at + name.size() + 1, nullptr);
}

double Ratio(double ours, double baseline) { return baseline > 0 ? ours / baseline : 0; }

const char* Verdict(bool met) { return met ? "met" : "MISSED"; }

// Qt's warnings about the offscreen platform and the environment would only bury the figures.
void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

} // namespace

bool IsTreeChildFlag(const std::string& argument)
{
    return argument == ChildTreeTimesFlag || argument == ChildTreeOpenFlag;
}

[[noreturn]] void RunTreeChild(int argc, char** argv)
{
    if (argc < 3)
        Fail("a tree child needs a file");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietMessages);
    QApplication app(argc, argv);
    const QString path = QString::fromLocal8Bit(argv[2]);
    if (std::string(argv[1]) == ChildTreeOpenFlag)
        RunOpen(path);
    const int runs = argc > 3 ? std::max(1, std::atoi(argv[3])) : 1;
    RunTimes(path, runs, argc > 4 && std::string(argv[4]) == "verbose");
}

bool MeasureTree(
    const std::string& path, int runs, bool verbose, TreeFigures& figures, std::string& error)
{
    std::string output;
    if (!RunSelf({ ChildTreeTimesFlag, path, std::to_string(runs), verbose ? "verbose" : "quiet" },
            output, error))
        return false;
    if (verbose) {
        for (std::size_t at = 0; (at = output.find("  tree run", at)) != std::string::npos;) {
            const std::size_t end = output.find('\n', at);
            std::printf("%s\n", output.substr(at, end - at).c_str());
            at = end;
        }
    }
    figures.open = { Field(output, "open_s"), Field(output, "cpu_s") };
    figures.libxml2Parse = { Field(output, "libxml2_s"), Field(output, "cpu_s", 1) };
    figures.firstPaintMs = Field(output, "first_paint_ms");
    figures.selectMs = Field(output, "select_ms");
    figures.expandAllMs = Field(output, "expand_all_ms");
    figures.collapseAllMs = Field(output, "collapse_all_ms");
    figures.items = long(Field(output, "items"));
    if (figures.open.wall < 0 || figures.collapseAllMs < 0) {
        error = "the tree timing child printed no figures";
        return false;
    }

    figures.openPeakKb = std::numeric_limits<long>::max();
    for (int run = 0; run < 2; ++run) {
        std::string open;
        if (!RunSelf({ ChildTreeOpenFlag, path }, open, error))
            return false;
        const long peak = long(Field(open, "peak_kb"));
        if (peak <= 0) {
            error = "the tree memory child printed no peak";
            return false;
        }
        figures.openPeakKb = std::min(figures.openPeakKb, peak);
    }
    return true;
}

void PrintTreeFigures(const TreeFigures& figures, long libxml2PeakKb)
{
    const double openRatio = Ratio(figures.open.wall, figures.libxml2Parse.wall);
    std::printf("open with tree (%ld items): %.3f s  libxml2 parse: %.3f s  ratio %.2f  (target "
                "<= %.2f %s)  [cpu %.3f s / %.3f s, ratio %.2f]\n",
        figures.items, figures.open.wall, figures.libxml2Parse.wall, openRatio, OpenTarget,
        Verdict(openRatio <= OpenTarget), figures.open.cpu, figures.libxml2Parse.cpu,
        Ratio(figures.open.cpu, figures.libxml2Parse.cpu));
    const double peakRatio = Ratio(double(figures.openPeakKb), double(libxml2PeakKb));
    std::printf("open_rss: %.1f MiB  libxml2: %.1f MiB  ratio %.2f  (target <= %.2f %s)\n",
        double(figures.openPeakKb) / 1024, double(libxml2PeakKb) / 1024, peakRatio, OpenPeakTarget,
        Verdict(peakRatio <= OpenPeakTarget));
    std::printf("first paint: %.1f ms  select: %.1f ms  (target < %.0f ms %s)\n",
        figures.firstPaintMs, figures.selectMs, PaintTargetMs,
        Verdict(figures.firstPaintMs < PaintTargetMs && figures.selectMs < PaintTargetMs));
    std::printf("expand all: %.0f ms  collapse all: %.0f ms  (target < %.0f ms %s)\n",
        figures.expandAllMs, figures.collapseAllMs, ExpandTargetMs,
        Verdict(figures.expandAllMs < ExpandTargetMs && figures.collapseAllMs < ExpandTargetMs));
}

std::string TreeJsonFields(const TreeFigures& figures, long libxml2PeakKb)
{
    char buffer[512];
    std::snprintf(buffer, sizeof buffer,
        ", \"open_ratio\": %.3f, \"open_rss_ratio\": %.3f, \"first_paint_ms\": %.1f, "
        "\"select_ms\": %.1f, \"expand_all_ms\": %.1f, \"collapse_all_ms\": %.1f",
        Ratio(figures.open.wall, figures.libxml2Parse.wall),
        Ratio(double(figures.openPeakKb), double(libxml2PeakKb)), figures.firstPaintMs,
        figures.selectMs, figures.expandAllMs, figures.collapseAllMs);
    return buffer;
}
