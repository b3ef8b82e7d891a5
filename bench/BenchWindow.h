#pragma once

#include "ChildSupport.h"
#include "FrameWindow.h"
#include "SourceView.h"
#include "Stopwatch.h"
#include "TextPane.h"
#include "TreeCommands.h"
#include "TrelvoDoc.h"
#include "TrelvoView.h"
#include "UserSettings.h"

#include <QSplitter>
#include <QString>

// The document, the frame and the tree view as the program puts them together, on screen, for
// the benchmark's children. Settings changed before the open apply to it.
class BenchWindow {
public:
    UserSettings settings;
    TrelvoDoc doc;
    FrameWindow frame { TreeCommands::Table() };
    TrelvoView* view = nullptr;
    SourceView* source = nullptr;
    PaintCounter paints;
    PaintCounter sourcePaints;

    // With a source pane, the pane shares the window with the tree, as when it is docked.
    explicit BenchWindow(bool withSource = false)
    {
        frame.AddStatusPane(QStringLiteral("Load time: 0 secs"), 120);
        view = new TrelvoView;
        view->SetSettings(&settings);
        if (withSource) {
            auto* splitter = new QSplitter(&frame);
            splitter->addWidget(view);
            source = new SourceView;
            source->SetupSourceEdit();
            splitter->addWidget(source);
            frame.setCentralWidget(splitter);
            doc.AddView(source);
            source->Edit()->viewport()->installEventFilter(&sourcePaints);
        } else {
            frame.setCentralWidget(view);
        }
        frame.SetActiveView(view);
        doc.AddView(view);
        view->viewport()->installEventFilter(&paints);
        frame.resize(1000, 750);
        frame.show();
        UntilPainted();
    }

    // Runs the event loop until the tree (or the counted widget) has painted once more.
    void UntilPainted() { UntilPainted(paints); }
    void UntilPainted(const PaintCounter& counter)
    {
        counter.WaitPast(counter.paints, "a view did not paint");
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

    // Selects the item and returns the time until the source pane has painted its new text.
    double SourceShownMs(const QModelIndex& item)
    {
        if (view->SelectedItem() == item)
            Fail("the item to select is selected already");
        const Stopwatch stopwatch;
        view->SelectItem(item);
        UntilPainted(sourcePaints);
        return stopwatch.Elapsed().wall * 1000;
    }
};
