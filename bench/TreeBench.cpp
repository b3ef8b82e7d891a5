#include "TreeBench.h"

#include "BenchWindow.h"
#include "ChildSupport.h"

#include "LoadChild.h"

#include "FrameWindow.h"
#include "FrameworkIds.h"
#include "SInsertItemDlg.h"
#include "ScriptedPrompts.h"
#include "SourceFormatter.h"
#include "SourceView.h"
#include "TextPane.h"
#include "TreeCommands.h"
#include "TreeViewIds.h"
#include "TrelvoDoc.h"
#include "TrelvoView.h"

#include <QApplication>
#include <QEvent>
#include <QLineEdit>
#include <QSplitter>

#include <libxml/parser.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <limits>
#include <malloc.h>
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
constexpr double SourceDocTarget = 2;
constexpr double SourceMemoryTarget = 3;
constexpr double SourceElementTargetMs = 20;
constexpr double MoveBranchTargetMs = 50;
constexpr double CopyBranchTargetMs = 1000;
constexpr double EditExpandedTargetMs = 300;
constexpr double DeleteRootTargetMs = 1000;
constexpr double ReopenGrowthTarget = 0.05;
constexpr int Reopens = 10;
// The size of the branch that is moved and copied, in items.
constexpr long LargeBranchItems = 100000;
// What counts as an ordinary element: its source text is shorter than this, in characters.
constexpr qsizetype OrdinaryElementChars = 100 * 1024;

// A "Vm...:" figure of /proc/self/status in KiB, or -1.
long StatusKb(const char* name)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::size_t length = std::strlen(name);
    while (std::getline(status, line)) {
        if (line.compare(0, length, name) == 0)
            return std::strtol(line.c_str() + length, nullptr, 10);
    }
    return -1;
}

long PeakResidentKb() { return StatusKb("VmHWM:"); }

// See SideBySide.cpp: a teardown's fast bins must not be merged inside the next timed load.
void SettleHeap()
{
    void* volatile block = std::malloc(64 * 1024);
    std::free(block);
}

// The first element child item of parent, or an invalid index.
QModelIndex FirstElementChild(const TrelvoView& view, const QModelIndex& parent)
{
    const TreeModel* model = view.GetModel();
    for (int row = 0; row < model->rowCount(parent); ++row) {
        const QModelIndex child = model->index(row, 0, parent);
        if (view.NodeOf(child).nodeType() == NodeType::Element)
            return child;
    }
    return {};
}

// An element item whose source text is an ordinary size: the first element below the root, or
// further down its first elements until the text is short enough.
QModelIndex OrdinaryElement(BenchWindow& window)
{
    QModelIndex item = FirstElementChild(*window.view, window.view->GetModel()->index(0, 0));
    for (QModelIndex child = FirstElementChild(*window.view, item); child.isValid();
         child = FirstElementChild(*window.view, item)) {
        window.SourceShownMs(child);
        item = child;
        if (window.source->Text().size() < OrdinaryElementChars)
            break;
    }
    if (!item.isValid())
        Fail("the document has no element below its root");
    return item;
}

// Resident memory after handing freed memory back, so that it counts what is still held.
long TrimmedResidentKb()
{
    malloc_trim(0);
    return StatusKb("VmRSS:");
}

// Starts the peak resident figure again from the current size.
void ResetPeak()
{
    std::ofstream clear("/proc/self/clear_refs");
    clear << "5";
}

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
    BenchWindow window;
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
    BenchWindow window;
    const Timing open = window.Open(path);
    window.UntilPainted();
    const long peak = PeakResidentKb();
    if (peak < 0)
        Fail("cannot read VmHWM from /proc/self/status");
    // Ends with the document open: freeing it cannot lower the peak.
    Report(Format("load_s %.6f cpu_s %.6f\n", open.wall, open.cpu)
        + Format("peak_kb %.0f\n", double(peak)));
}

// Resident memory after each open of the same file, the document left open as a user would.
[[noreturn]] void RunReopen(const QString& path)
{
    BenchWindow window;
    long first = -1;
    long last = -1;
    for (int open = 0; open < Reopens; ++open) {
        window.Open(path);
        window.UntilPainted();
        last = StatusKb("VmRSS:");
        if (open == 0)
            first = last;
    }
    if (first < 0 || last < 0)
        Fail("cannot read VmRSS from /proc/self/status");
    Report(Format("first_open_rss_kb %.0f\n", double(first))
        + Format("last_open_rss_kb %.0f\n", double(last)));
}

[[noreturn]] void RunSource(const QString& path, int runs, bool verbose)
{
    BenchWindow window(true);
    if (!window.doc.OnOpenDocument(path))
        Fail("TrelvoDoc cannot open the file");
    window.doc.SendInitialUpdate();
    window.UntilPainted();
    const QModelIndex document = window.view->GetModel()->index(0, 0);
    const QModelIndex element = OrdinaryElement(window);
    const DomNode documentNode = window.view->NodeOf(document);

    // The pane's memory: what it holds more with the whole document's text than with an
    // element's, against the size of that text. The element is the one selected now.
    const long before = TrimmedResidentKb();
    ResetPeak();
    window.SourceShownMs(document);
    const long peak = PeakResidentKb();
    const long after = TrimmedResidentKb();
    const double textBytes = double(window.source->Text().size()) * double(sizeof(QChar));
    window.SourceShownMs(element);
    if (before < 0 || peak < 0 || after < 0)
        Fail("cannot read VmRSS or VmHWM from /proc/self/status");

    double documentMs = std::numeric_limits<double>::infinity();
    double elementMs = documentMs;
    double formatMs = documentMs;
    qsizetype elementChars = 0;
    for (int run = 0; run < runs; ++run) {
        const double documentTime = window.SourceShownMs(document);
        const double elementTime = window.SourceShownMs(element);
        elementChars = window.source->Text().size();
        SettleHeap();
        // The formatter alone, with the settings the pane uses by default.
        const Stopwatch stopwatch;
        SourceFormatter formatter;
        formatter.preserveText = false;
        formatter.indentSpaces = 0;
        const QString text = formatter.Format(documentNode, 0);
        const double formatTime = stopwatch.Elapsed().wall * 1000;
        if (text.size() * qsizetype(sizeof(QChar)) != qsizetype(textBytes))
            Fail("the pane does not show the formatter's text");
        if (verbose) {
            std::printf("  source run %d: document %.1f ms  formatter %.1f ms  element %.2f ms\n",
                run + 1, documentTime, formatTime, elementTime);
        }
        documentMs = std::min(documentMs, documentTime);
        elementMs = std::min(elementMs, elementTime);
        formatMs = std::min(formatMs, formatTime);
    }
    Report(Format("source_doc_ms %.3f\n", documentMs) + Format("source_format_ms %.3f\n", formatMs)
        + Format("source_element_ms %.3f\n", elementMs)
        + Format("source_element_chars %.0f\n", double(elementChars))
        + Format("source_text_bytes %.0f\n", textBytes)
        + Format("source_held_kb %.0f\n", double(after - before))
        + Format("source_peak_kb %.0f\n", double(peak - before)));
}

// The items of branch, itself included.
long BranchItems(const TreeModel& model, const QModelIndex& branch)
{
    long items = 1;
    for (int row = 0, rows = model.rowCount(branch); row < rows; ++row)
        items += BranchItems(model, model.index(row, 0, branch));
    return items;
}

// The generated file's bulk group, or the nearest of its ancestors that holds at least
// LargeBranchItems items and has a next sibling to move down past; in a smaller document the
// largest of them that can move down.
QModelIndex LargeBranch(const TrelvoView& view, long& items)
{
    const TreeModel& model = *view.GetModel();
    QModelIndex root = FirstElementChild(view, model.index(0, 0));
    QModelIndex branch;
    for (int section = 0; section < model.rowCount(root) && !branch.isValid(); ++section) {
        const QModelIndex item = model.index(section, 0, root);
        for (int row = 0; row < model.rowCount(item) && !branch.isValid(); ++row) {
            const QModelIndex group = model.index(row, 0, item);
            if (view.NodeOf(group).toElement().getAttribute(QStringLiteral("kind"))
                == QStringLiteral("archive"))
                branch = group;
        }
    }
    // A smaller document has no branch that large: then the largest that can move down serves,
    // and the figures say how many items it held.
    QModelIndex movable;
    long movableItems = 0;
    for (; branch.isValid(); branch = branch.parent()) {
        const long count = BranchItems(model, branch);
        if (!view.CanMoveDown(branch))
            continue;
        if (count >= LargeBranchItems) {
            items = count;
            return branch;
        }
        if (count > movableItems) {
            movable = branch;
            movableItems = count;
        }
    }
    if (!movable.isValid())
        Fail("the document has no branch that can move down");
    items = movableItems;
    return movable;
}

// Lets the view lay out and paint what is pending, so that the next timed paint is the
// command's own.
void Settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

[[noreturn]] void RunEdits(const QString& path, int runs, bool verbose)
{
    ScriptedPrompts prompts;
    Prompts::SetInstance(&prompts);
    BenchWindow window;
    TrelvoView& view = *window.view;
    const TreeModel& model = *view.GetModel();
    const auto route = [&](int id) { window.frame.RouteCommand(id); };
    const auto show = [&](const QModelIndex& item) {
        view.SelectItem(item);
        view.scrollTo(item);
        Settle();
    };
    TreeFigures best;
    best.moveBranchMs = best.copyBranchMs = best.editExpandedMs = best.deleteRootMs
        = std::numeric_limits<double>::infinity();
    best.copyLeftNothing = true;
    for (int run = 0; run < runs; ++run) {
        window.Open(path);
        Settle();
        const QPersistentModelIndex branch = LargeBranch(view, best.branchItems);
        show(branch);
        const int row = branch.row();
        const double move = window.PaintedMs([&] { route(ID_EDIT_MOVE_DOWN); });
        if (branch.row() != row + 1)
            Fail("Move Down did not move the branch");
        show(branch);
        route(ID_EDIT_MOVE_UP);

        // Copy and Paste under the branch's own parent; then the copy is deleted.
        const QPersistentModelIndex parent = branch.parent();
        show(branch);
        route(ID_EDIT_COPY);
        show(parent);
        // The undo steps of the commands so far hold nodes of their own; the paste's and the
        // delete's hold the copy until they go.
        view.Editor().History().Clear();
        const long handles = window.doc.dom.handleCount();
        const long detached = window.doc.dom.detachedCount();
        const int rows = model.rowCount(parent);
        const double copy = window.PaintedMs([&] { route(ID_EDIT_PASTE); });
        if (model.rowCount(parent) != rows + 1)
            Fail("Paste made no copy of the branch");
        if (!view.Editor().DeleteItem(model.index(rows, 0, parent)))
            Fail("the copy could not be deleted");
        view.Editor().History().Clear();
        Settle();
        best.copyLeftNothing = best.copyLeftNothing && window.doc.dom.handleCount() == handles
            && window.doc.dom.detachedCount() == detached;

        // The root element, of the tree as the commands above left it: expanded down to the
        // branch. With every item expanded it takes longer, for the reason the edit below does.
        show(FirstElementChild(view, model.index(0, 0)));
        prompts.AnswerMessage(Prompts::Button::Yes);
        const double deleteRoot = window.PaintedMs([&] { route(ID_EDIT_DELETE_ITEM); });
        if (window.doc.HasRootElement())
            Fail("the root element was not deleted");

        // An element inserted under the middle child of the branch and deleted, with every item
        // expanded, in the file opened again.
        window.doc.ReleaseDom();
        SettleHeap();
        window.Open(path);
        Settle();
        const QPersistentModelIndex again = LargeBranch(view, best.branchItems);
        window.PaintedMs([&] { route(ID_ACTIONS_EXPAND_ALL); });
        const QPersistentModelIndex middle = model.index(model.rowCount(again) / 2, 0, again);
        show(middle);
        prompts.AnswerDialog([](QDialog& dialog) {
            static_cast<SInsertItemDlg&>(dialog).GetValueEdit()->setText(QStringLiteral("bench"));
            return int(QDialog::Accepted);
        });
        const int children = model.rowCount(middle);
        const double insert = window.PaintedMs([&] { route(ID_ADD_CHILD_ELEMENT); });
        if (model.rowCount(middle) != children + 1)
            Fail("the child element was not inserted");
        show(model.index(children, 0, middle));
        prompts.AnswerMessage(Prompts::Button::Yes);
        const double remove = window.PaintedMs([&] { route(ID_EDIT_DELETE_ITEM); });
        if (model.rowCount(middle) != children)
            Fail("the child element was not deleted");

        if (prompts.UnansweredCount() != 0)
            Fail("a command asked more than the benchmark answers");

        window.doc.ReleaseDom();
        SettleHeap();
        if (verbose) {
            std::printf("  edit run %d: move %.1f ms  copy %.1f ms  insert %.1f ms  delete %.1f "
                        "ms  delete root %.1f ms\n",
                run + 1, move, copy, insert, remove, deleteRoot);
        }
        best.moveBranchMs = std::min(best.moveBranchMs, move);
        best.copyBranchMs = std::min(best.copyBranchMs, copy);
        best.editExpandedMs = std::min(best.editExpandedMs, insert + remove);
        best.deleteRootMs = std::min(best.deleteRootMs, deleteRoot);
    }
    Prompts::SetInstance(nullptr);
    Report(Format("branch_items %.0f\n", double(best.branchItems))
        + Format("move_branch_ms %.3f\n", best.moveBranchMs)
        + Format("copy_branch_ms %.3f\n", best.copyBranchMs)
        + Format("copy_left_nothing %.0f\n", best.copyLeftNothing ? 1 : 0)
        + Format("edit_expanded_ms %.3f\n", best.editExpandedMs)
        + Format("delete_root_ms %.3f\n", best.deleteRootMs));
}

// The number after "name " at the start of a line of output, or -1.
double Ratio(double ours, double baseline) { return baseline > 0 ? ours / baseline : 0; }

// How much more the last of the opens holds than the first, as a fraction of the first.
double ReopenGrowth(const TreeFigures& figures)
{
    return Ratio(double(figures.lastOpenRssKb), double(figures.firstOpenRssKb)) - 1;
}

// Qt's warnings about the offscreen platform and the environment would only bury the figures.
} // namespace

bool IsTreeChildFlag(const std::string& argument)
{
    return argument == ChildTreeTimesFlag || argument == ChildTreeOpenFlag
        || argument == ChildSourceFlag || argument == ChildTreeEditsFlag
        || argument == ChildTreeReopenFlag;
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
    if (std::string(argv[1]) == ChildTreeReopenFlag)
        RunReopen(path);
    const int runs = RunsArgument(argc, argv);
    const bool verbose = argc > 4 && std::string(argv[4]) == "verbose";
    if (std::string(argv[1]) == ChildSourceFlag)
        RunSource(path, runs, verbose);
    if (std::string(argv[1]) == ChildTreeEditsFlag)
        RunEdits(path, runs, verbose);
    RunTimes(path, runs, verbose);
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

    std::string source;
    if (!RunSelf({ ChildSourceFlag, path, std::to_string(runs), verbose ? "verbose" : "quiet" },
            source, error))
        return false;
    if (verbose) {
        for (std::size_t at = 0; (at = source.find("  source run", at)) != std::string::npos;) {
            const std::size_t end = source.find('\n', at);
            std::printf("%s\n", source.substr(at, end - at).c_str());
            at = end;
        }
    }
    figures.sourceDocMs = Field(source, "source_doc_ms");
    figures.sourceFormatMs = Field(source, "source_format_ms");
    figures.sourceElementMs = Field(source, "source_element_ms");
    figures.sourceElementChars = long(Field(source, "source_element_chars"));
    figures.sourceTextBytes = Field(source, "source_text_bytes");
    figures.sourceHeldKb = long(Field(source, "source_held_kb"));
    figures.sourcePeakKb = long(Field(source, "source_peak_kb"));
    if (figures.sourceDocMs < 0 || figures.sourceTextBytes <= 0) {
        error = "the source pane child printed no figures";
        return false;
    }

    std::string edits;
    if (!RunSelf({ ChildTreeEditsFlag, path, std::to_string(runs), verbose ? "verbose" : "quiet" },
            edits, error))
        return false;
    if (verbose) {
        for (std::size_t at = 0; (at = edits.find("  edit run", at)) != std::string::npos;) {
            const std::size_t end = edits.find('\n', at);
            std::printf("%s\n", edits.substr(at, end - at).c_str());
            at = end;
        }
    }
    figures.branchItems = long(Field(edits, "branch_items"));
    figures.moveBranchMs = Field(edits, "move_branch_ms");
    figures.copyBranchMs = Field(edits, "copy_branch_ms");
    figures.copyLeftNothing = Field(edits, "copy_left_nothing") == 1;
    figures.editExpandedMs = Field(edits, "edit_expanded_ms");
    figures.deleteRootMs = Field(edits, "delete_root_ms");
    if (figures.deleteRootMs < 0) {
        error = "the tree edit child printed no figures";
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

    std::string reopen;
    if (!RunSelf({ ChildTreeReopenFlag, path }, reopen, error))
        return false;
    figures.firstOpenRssKb = long(Field(reopen, "first_open_rss_kb"));
    figures.lastOpenRssKb = long(Field(reopen, "last_open_rss_kb"));
    if (figures.firstOpenRssKb <= 0 || figures.lastOpenRssKb <= 0) {
        error = "the tree reopen child printed no figures";
        return false;
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
    const double sourceRatio = Ratio(figures.sourceDocMs, figures.sourceFormatMs);
    std::printf("source pane, \"Document\" selected: %.0f ms  formatter alone: %.0f ms  ratio "
                "%.2f  (target <= %.2f %s)\n",
        figures.sourceDocMs, figures.sourceFormatMs, sourceRatio, SourceDocTarget,
        Verdict(sourceRatio <= SourceDocTarget));
    const double heldRatio = Ratio(double(figures.sourceHeldKb) * 1024, figures.sourceTextBytes);
    std::printf("source pane memory: %.1f MiB held for %.1f MiB of text (UTF-16)  ratio %.2f  "
                "(target < %.2f %s)  [peak while refreshing %.2f]\n",
        double(figures.sourceHeldKb) / 1024, figures.sourceTextBytes / (1 << 20), heldRatio,
        SourceMemoryTarget, Verdict(heldRatio < SourceMemoryTarget),
        Ratio(double(figures.sourcePeakKb) * 1024, figures.sourceTextBytes));
    std::printf("source pane, an element of %ld characters: %.2f ms  (target < %.0f ms %s)\n",
        figures.sourceElementChars, figures.sourceElementMs, SourceElementTargetMs,
        Verdict(figures.sourceElementMs < SourceElementTargetMs));
    std::printf("move down a branch of %ld items: %.1f ms  (target <= %.0f ms %s)\n",
        figures.branchItems, figures.moveBranchMs, MoveBranchTargetMs,
        Verdict(figures.moveBranchMs <= MoveBranchTargetMs));
    std::printf("copy and paste it: %.0f ms  (target <= %.0f ms %s)  DOM handles and detached "
                "subtrees back after deleting the copy: %s\n",
        figures.copyBranchMs, CopyBranchTargetMs,
        Verdict(figures.copyBranchMs <= CopyBranchTargetMs),
        figures.copyLeftNothing ? "yes" : "NO");
    std::printf("insert and delete an element in the expanded tree: %.1f ms  (target <= %.0f ms "
                "%s)\n",
        figures.editExpandedMs, EditExpandedTargetMs,
        Verdict(figures.editExpandedMs <= EditExpandedTargetMs));
    std::printf("delete the root element: %.0f ms  (target <= %.0f ms %s)\n", figures.deleteRootMs,
        DeleteRootTargetMs, Verdict(figures.deleteRootMs <= DeleteRootTargetMs));
    const double growth = ReopenGrowth(figures);
    std::printf("resident after %d opens of the file: %.1f MiB  after the first: %.1f MiB  "
                "growth %.3f  (target <= %.2f %s)\n",
        Reopens, double(figures.lastOpenRssKb) / 1024, double(figures.firstOpenRssKb) / 1024,
        growth, ReopenGrowthTarget, Verdict(growth <= ReopenGrowthTarget));
}

std::string TreeJsonFields(const TreeFigures& figures, long libxml2PeakKb)
{
    char buffer[1024];
    std::snprintf(buffer, sizeof buffer,
        ", \"open_ratio\": %.3f, \"open_rss_ratio\": %.3f, \"first_paint_ms\": %.1f, "
        "\"select_ms\": %.1f, \"expand_all_ms\": %.1f, \"collapse_all_ms\": %.1f, "
        "\"source_doc_ms\": %.1f, \"source_doc_ratio\": %.3f, \"source_rss_ratio\": %.3f, "
        "\"source_element_ms\": %.2f, \"move_branch_ms\": %.1f, \"copy_branch_ms\": %.1f, "
        "\"copy_left_nothing\": %s, \"edit_expanded_ms\": %.1f, \"delete_root_ms\": %.1f, "
        "\"reopen_rss_growth\": %.3f",
        Ratio(figures.open.wall, figures.libxml2Parse.wall),
        Ratio(double(figures.openPeakKb), double(libxml2PeakKb)), figures.firstPaintMs,
        figures.selectMs, figures.expandAllMs, figures.collapseAllMs, figures.sourceDocMs,
        Ratio(figures.sourceDocMs, figures.sourceFormatMs),
        Ratio(double(figures.sourceHeldKb) * 1024, figures.sourceTextBytes),
        figures.sourceElementMs, figures.moveBranchMs, figures.copyBranchMs,
        figures.copyLeftNothing ? "true" : "false", figures.editExpandedMs, figures.deleteRootMs,
        ReopenGrowth(figures));
    return buffer;
}
