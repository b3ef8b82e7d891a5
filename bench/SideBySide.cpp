#include "SideBySide.h"

#include "LoadChild.h"
#include "SourceFormatter.h"
#include "dom/DomDocument.h"
#include "dom/DomSaveCheck.h"

#include <QString>

#include <libxml/parser.h>
#include <libxml/tree.h>

#include <cstdio>
#include <cstdlib>
#include <limits>
#include <memory>
#include <vector>

namespace {

struct XmlDocFree {
    void operator()(xmlDoc* doc) const { xmlFreeDoc(doc); }
};
using XmlDocHolder = std::unique_ptr<xmlDoc, XmlDocFree>;

// Freeing a document leaves glibc's fast bins holding a million small chunks; the next request
// of a few kB merges them all, and without this that happens inside the next timed load (in
// xmlDictCreate), charging one side for the teardown of the document before it.
// The pointer is volatile because the compiler drops a malloc that is freed unused.
void SettleHeap()
{
    void* volatile block = std::malloc(64 * 1024);
    std::free(block);
}

// Runs both sides runs times, alternating which goes first so that neither always finds the
// heap and the caches in the state the other left; keeps the best timing of each.
template <typename Baseline, typename Ours>
bool Alternate(const char* what, int runs, bool verbose, Timing& bestBaseline, Timing& bestOurs,
    Baseline baseline, Ours ours)
{
    bestBaseline = bestOurs = Timing {};
    for (int run = 0; run < runs; ++run) {
        Timing baselineTime;
        Timing ourTime;
        const bool ok = run % 2 == 0 ? baseline(baselineTime) && ours(ourTime)
                                     : ours(ourTime) && baseline(baselineTime);
        if (!ok)
            return false;
        if (verbose) {
            std::printf("  %s run %d: ours %.3f s (cpu %.3f)  libxml2 %.3f s (cpu %.3f)\n", what,
                run + 1, ourTime.wall, ourTime.cpu, baselineTime.wall, baselineTime.cpu);
        }
        bestBaseline = bestBaseline.Best(baselineTime);
        bestOurs = bestOurs.Best(ourTime);
    }
    return true;
}

} // namespace

bool WarmPageCache(const std::string& path)
{
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file)
        return false;
    std::vector<char> buffer(1 << 20);
    while (std::fread(buffer.data(), 1, buffer.size(), file) == buffer.size()) { }
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

bool MeasureChildLoads(
    const std::string& path, int runs, bool verbose, SideBySideFigures& figures, std::string& error)
{
    long libxml2Peak = std::numeric_limits<long>::max();
    long domPeak = std::numeric_limits<long>::max();
    auto child = [&](const char* flag, long& peak, Timing& timing) {
        ChildLoadFigures child;
        if (!MeasureChildLoad(flag, path, child, error))
            return false;
        peak = std::min(peak, child.peakKb);
        timing = child.timing;
        return true;
    };
    auto libxml2Load
        = [&](Timing& timing) { return child(ChildLoadLibxml2Flag, libxml2Peak, timing); };
    auto domLoad = [&](Timing& timing) { return child(ChildLoadDomFlag, domPeak, timing); };
    if (!Alternate("fresh load", runs, verbose, figures.libxml2FreshLoad, figures.domFreshLoad,
            libxml2Load, domLoad))
        return false;
    figures.libxml2PeakKb = libxml2Peak;
    figures.domPeakKb = domPeak;
    return true;
}

bool MeasureTimes(
    const std::string& path, int runs, bool verbose, SideBySideFigures& figures, std::string& error)
{
    xmlInitParser();
    const QString filePath = QString::fromLocal8Bit(path.c_str());

    // Each document is freed after its timing stops: tearing down is not part of a load.
    auto libxml2Load = [&](Timing& timing) {
        XmlDocHolder doc;
        const Stopwatch stopwatch;
        doc.reset(xmlReadFile(path.c_str(), nullptr, 0));
        timing = stopwatch.Elapsed();
        const bool loaded = doc != nullptr;
        if (!loaded)
            error = "libxml2 cannot load " + path;
        doc.reset();
        SettleHeap();
        return loaded;
    };
    auto domLoad = [&](Timing& timing) {
        DomResult result = DomFail;
        {
            DomDocument document = DomDocument::Create();
            const Stopwatch stopwatch;
            result = document.load(filePath);
            timing = stopwatch.Elapsed();
            if (Failed(result)) {
                error = "DomDocument cannot load " + path + ": "
                    + document.parseError().reason.trimmed().toStdString();
            }
        }
        SettleHeap();
        return Succeeded(result);
    };
    if (!Alternate(
            "load", runs, verbose, figures.libxml2Load, figures.domLoad, libxml2Load, domLoad))
        return false;

    XmlDocHolder doc(xmlReadFile(path.c_str(), nullptr, 0));
    DomDocument document = DomDocument::Create();
    if (!doc || Failed(document.load(filePath))) {
        error = "cannot load " + path + " for formatting";
        return false;
    }
    // The settings the program saves with.
    SourceFormatter formatter;
    formatter.preserveText = true;
    formatter.indentSpaces = 0;

    auto libxml2Format = [&](Timing& timing) {
        xmlChar* text = nullptr;
        int size = 0;
        const Stopwatch stopwatch;
        xmlDocDumpFormatMemory(doc.get(), &text, &size, 1);
        timing = stopwatch.Elapsed();
        figures.libxml2FormatBytes = static_cast<std::size_t>(std::max(size, 0));
        xmlFree(text);
        if (!text)
            error = "xmlDocDumpFormatMemory produced nothing";
        return text != nullptr;
    };
    QString formatted;
    auto domFormat = [&](Timing& timing) {
        QString text;
        const Stopwatch stopwatch;
        text = formatter.Format(document.documentNode(), 0);
        timing = stopwatch.Elapsed();
        formatted = text;
        figures.domFormatChars = static_cast<std::size_t>(text.size());
        if (text.isEmpty())
            error = "SourceFormatter produced nothing";
        return !text.isEmpty();
    };
    if (!Alternate("format", runs, verbose, figures.libxml2Format, figures.domFormat, libxml2Format,
            domFormat))
        return false;

    const QByteArray bytes = formatted.toUtf8();
    formatted.clear();
    for (int run = 0; run < runs; ++run) {
        QString reason;
        const Stopwatch stopwatch;
        const bool loads = DomSaveCheck::Loads(bytes, true, reason);
        figures.saveCheck = figures.saveCheck.Best(stopwatch.Elapsed());
        if (!loads) {
            error = "the save check refuses the formatted document: " + reason.toStdString();
            return false;
        }
    }
    return true;
}
