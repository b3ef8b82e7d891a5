#include "OpenBench.h"

#include "BenchWindow.h"

#include "ChildSupport.h"

#include "LoadChild.h"
#include "Stopwatch.h"

#include "FrameWindow.h"
#include "ScriptedPrompts.h"
#include "StatusProgress.h"
#include "TreeCommands.h"
#include "TrelvoDoc.h"
#include "TrelvoView.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <malloc.h>
#include <unistd.h>

namespace {

constexpr double MaxStallTargetMs = 200;
constexpr double CancelTargetMs = 200;

// Records the longest gap between two services of the event loop: a timer that is always due
// fires whenever the loop runs.
class StallMeter {
public:
    StallMeter()
    {
        timer.setInterval(0);
        QObject::connect(&timer, &QTimer::timeout, [this] { Tick(); });
    }
    void Start()
    {
        longest = 0;
        since.start();
        timer.start();
    }
    // Stops once the loop has been served after the work; the longest gap in milliseconds.
    double Stop()
    {
        QCoreApplication::processEvents();
        Tick();
        timer.stop();
        return longest;
    }

private:
    void Tick()
    {
        longest = std::max(longest, double(since.nsecsElapsed()) / 1e6);
        since.restart();
    }
    QTimer timer;
    QElapsedTimer since;
    double longest = 0;
};

} // namespace

[[noreturn]] void RunOpenChild(int argc, char** argv)
{
    if (argc < 3)
        Fail("the open child needs a file");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietMessages);
    QApplication app(argc, argv);
    const int runs = RunsArgument(argc, argv);
    const QString path = QString::fromLocal8Bit(argv[2]);
    ScriptedPrompts prompts;
    Prompts::SetInstance(&prompts);

    BenchWindow window;
    TrelvoDoc& doc = window.doc;
    FrameWindow& frame = window.frame;
    UserSettings& settings = window.settings;
    settings.ExpandOnLoad = false;
    auto* progress = frame.findChild<StatusProgress*>();
    if (!progress)
        Fail("the frame shows no progress");

    OpenFigures best;
    best.maxStallMs = best.cancelMs = std::numeric_limits<double>::infinity();
    for (int run = 0; run < runs; ++run) {
        // Over an empty document.
        doc.OnNewDocument();
        doc.SendInitialUpdate();
        QCoreApplication::processEvents();
        malloc_trim(0);
        StallMeter meter;
        meter.Start();
        if (!doc.OnOpenDocument(path))
            Fail("TrelvoDoc cannot open the file");
        doc.SendInitialUpdate();
        best.maxStallMs = std::min(best.maxStallMs, meter.Stop());

        // Cancel half-way: the bar shows how far the parse has read.
        doc.OnNewDocument();
        doc.SendInitialUpdate();
        QCoreApplication::processEvents();
        malloc_trim(0);
        QElapsedTimer sinceCancel;
        double reached = 0;
        QTimer watch;
        watch.setInterval(0);
        QObject::connect(&watch, &QTimer::timeout, [&] {
            const QProgressBar* bar = progress->Bar();
            if (sinceCancel.isValid() || bar->maximum() <= 0 || bar->value() < bar->maximum() / 2)
                return;
            reached = double(bar->value()) / bar->maximum();
            sinceCancel.start();
            progress->CancelButton()->click();
        });
        watch.start();
        if (doc.OnOpenDocument(path))
            Fail("the load was not cancelled");
        watch.stop();
        QCoreApplication::processEvents();
        const double cancelMs = double(sinceCancel.nsecsElapsed()) / 1e6;
        if (!sinceCancel.isValid())
            Fail("Cancel was never pressed");
        if (cancelMs < best.cancelMs) {
            best.cancelMs = cancelMs;
            best.cancelledAt = reached;
        }
    }
    std::printf("max_stall_ms %.3f\ncancel_ms %.3f\ncancelled_at %.3f\n", best.maxStallMs,
        best.cancelMs, best.cancelledAt);
    std::fflush(stdout);
    _exit(0);
}

bool MeasureOpen(const std::string& path, int runs, OpenFigures& figures, std::string& error)
{
    std::string output;
    if (!RunSelf({ ChildOpenFlag, path, std::to_string(runs) }, output, error))
        return false;
    figures.maxStallMs = Field(output, "max_stall_ms");
    figures.cancelMs = Field(output, "cancel_ms");
    figures.cancelledAt = Field(output, "cancelled_at");
    if (figures.maxStallMs < 0 || figures.cancelMs < 0) {
        error = "the open child printed no figures";
        return false;
    }
    return true;
}

void PrintOpenFigures(const OpenFigures& figures)
{
    std::printf("longest stall of the event loop while opening: %.0f ms  (target <= %.0f ms %s)\n",
        figures.maxStallMs, MaxStallTargetMs, Verdict(figures.maxStallMs <= MaxStallTargetMs));
    std::printf("Cancel at %.0f%% of the load until the window is idle: %.1f ms  (target <= %.0f "
                "ms %s)\n",
        figures.cancelledAt * 100, figures.cancelMs, CancelTargetMs,
        Verdict(figures.cancelMs <= CancelTargetMs));
}

std::string OpenJsonFields(const OpenFigures& figures)
{
    char buffer[256];
    std::snprintf(buffer, sizeof buffer, ", \"open_cancel_ms\": %.1f, \"max_stall_ms\": %.1f",
        figures.cancelMs, figures.maxStallMs);
    return buffer;
}
