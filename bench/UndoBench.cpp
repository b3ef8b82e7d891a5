#include "UndoBench.h"

#include "BenchWindow.h"

#include "ChildSupport.h"

#include "LoadChild.h"

#include "FrameWindow.h"
#include "TreeCommands.h"
#include "TrelvoDoc.h"
#include "TrelvoView.h"

#include <QApplication>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <unistd.h>

namespace {

constexpr double UndoDeleteRootTargetMs = 1000;
constexpr double UndoManyTargetMs = 1000;
constexpr int ManySteps = 1000;

// Milliseconds from the start of action until the tree has painted what it did.
template <typename Action> double PaintedMs(TrelvoView& view, PaintCounter& paints, Action action)
{
    const Stopwatch stopwatch;
    const int before = paints.paints;
    action();
    view.viewport()->update();
    paints.WaitPast(before, "the tree did not paint");
    return stopwatch.Elapsed().wall * 1000;
}

} // namespace

[[noreturn]] void RunUndoChild(int argc, char** argv)
{
    if (argc < 3)
        Fail("the undo child needs a file");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietMessages);
    QApplication app(argc, argv);
    const int runs = RunsArgument(argc, argv);

    BenchWindow window;
    TrelvoDoc& doc = window.doc;
    TrelvoView* view = window.view;
    PaintCounter& paints = window.paints;
    if (!doc.OnOpenDocument(QString::fromLocal8Bit(argv[2])))
        Fail("TrelvoDoc cannot open the file");
    doc.SendInitialUpdate();
    PaintedMs(*view, paints, [] {});

    const TreeModel& model = *view->GetModel();
    const QModelIndex document = model.index(0, 0);
    QPersistentModelIndex root;
    for (int row = 0; row < model.rowCount(document) && !root.isValid(); ++row) {
        if (view->NodeOf(model.index(row, 0, document)).nodeType() == NodeType::Element)
            root = model.index(row, 0, document);
    }
    if (!root.isValid())
        Fail("the document has no root element");
    TreeEditor& editor = view->Editor();

    double deleteRootMs = std::numeric_limits<double>::infinity();
    double manyMs = std::numeric_limits<double>::infinity();
    for (int run = 0; run < runs; ++run) {
        const DomNode node = view->NodeOf(root);
        if (!editor.DeleteItem(root))
            Fail("the root element cannot be deleted");
        PaintedMs(*view, paints, [] {});
        deleteRootMs = std::min(deleteRootMs, PaintedMs(*view, paints, [&] { editor.Undo(); }));
        root = model.index(model.rowCount(document) - 1, 0, document);
        if (!(view->NodeOf(root) == node))
            Fail("the undone deletion did not bring the root element back");

        for (int i = 0; i < ManySteps; ++i) {
            if (!editor.InsertElement(root, QStringLiteral("undone")).isValid())
                Fail("an element cannot be inserted");
        }
        PaintedMs(*view, paints, [] {});
        manyMs = std::min(manyMs, PaintedMs(*view, paints, [&] {
            for (int i = 0; i < ManySteps; ++i)
                editor.Undo();
            for (int i = 0; i < ManySteps; ++i)
                editor.Redo();
        }));
        if (editor.History().CanRedo())
            Fail("not every step was redone");
        for (int i = 0; i < ManySteps; ++i)
            editor.Undo();
    }
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, "undo_delete_root_ms %.3f\nundo_many_ms %.3f\n",
        deleteRootMs, manyMs);
    std::fputs(buffer, stdout);
    std::fflush(stdout);
    _exit(0);
}

bool MeasureUndo(const std::string& path, int runs, UndoFigures& figures, std::string& error)
{
    std::string output;
    if (!RunSelf({ ChildUndoFlag, path, std::to_string(runs) }, output, error))
        return false;
    figures.undoDeleteRootMs = Field(output, "undo_delete_root_ms");
    figures.undoManyMs = Field(output, "undo_many_ms");
    if (figures.undoDeleteRootMs < 0 || figures.undoManyMs < 0) {
        error = "the undo child printed no figures";
        return false;
    }
    return true;
}

void PrintUndoFigures(const UndoFigures& figures)
{
    std::printf("undo delete root: %.1f ms  (target <= %.0f ms %s)\n", figures.undoDeleteRootMs,
        UndoDeleteRootTargetMs, Verdict(figures.undoDeleteRootMs <= UndoDeleteRootTargetMs));
    std::printf("undo and redo %d inserts: %.1f ms  (target <= %.0f ms %s)\n", ManySteps,
        figures.undoManyMs, UndoManyTargetMs, Verdict(figures.undoManyMs <= UndoManyTargetMs));
}

std::string UndoJsonFields(const UndoFigures& figures)
{
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, ", \"undo_delete_root_ms\": %.1f, \"undo_many_ms\": %.1f",
        figures.undoDeleteRootMs, figures.undoManyMs);
    return buffer;
}
