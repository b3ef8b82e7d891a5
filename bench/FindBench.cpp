#include "FindBench.h"

#include "BenchWindow.h"

#include "ChildSupport.h"

#include "LoadChild.h"
#include "Stopwatch.h"

#include "FrameWindow.h"
#include "OptionsDlg.h"
#include "ScriptedPrompts.h"
#include "TreeCommands.h"
#include "TrelvoDoc.h"
#include "TrelvoView.h"

#include <QApplication>
#include <QRadioButton>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <unistd.h>

namespace {

constexpr double FindAllTargetMs = 1000;
constexpr double FindWordsTargetMs = 1200;
constexpr double OptionsTargetMs = 200;

} // namespace

[[noreturn]] void RunFindChild(int argc, char** argv)
{
    if (argc < 3)
        Fail("the find child needs a file");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietMessages);
    QApplication app(argc, argv);
    const int runs = RunsArgument(argc, argv);
    ScriptedPrompts prompts;
    Prompts::SetInstance(&prompts);

    // The tree alone in the window: the panes are hidden.
    BenchWindow window;
    TrelvoDoc& doc = window.doc;
    TrelvoView* view = window.view;
    PaintCounter& paints = window.paints;
    UserSettings& settings = window.settings;
    settings.ShowAttributesInTree = 2;
    if (!doc.OnOpenDocument(QString::fromLocal8Bit(argv[2])))
        Fail("TrelvoDoc cannot open the file");
    doc.SendInitialUpdate();
    const auto untilPainted = [&] { paints.WaitPast(paints.paints, "the tree did not paint"); };
    untilPainted();

    const QModelIndex document = view->GetModel()->index(0, 0);
    view->SelectItem(document);
    FindRequest request;
    request.text = QStringLiteral("no such text in the file");
    request.searchNames = 1;
    request.searchAttributes = 1;
    double allMs = std::numeric_limits<double>::infinity();
    double wordsMs = allMs;
    for (int run = 0; run < runs; ++run) {
        for (const bool words : { false, true }) {
            request.matchCase = request.wholeWords = words ? 1 : 0;
            prompts.AnswerMessage(Prompts::Button::Ok);
            const Stopwatch stopwatch;
            view->Find(request);
            const double ms = stopwatch.Elapsed().wall * 1000;
            if (prompts.PendingAnswers() != 0 || view->SelectedItem() != document)
                Fail("the search found something");
            (words ? wordsMs : allMs) = std::min(words ? wordsMs : allMs, ms);
        }
    }

    // OK in the options dialog on the expanded tree with an ordinary element selected.
    view->ExpandAll();
    untilPainted();
    const QModelIndex root
        = view->GetModel()->index(view->GetModel()->rowCount(document) - 1, 0, document);
    view->SelectItem(
        view->GetModel()->index(0, 0, root).isValid() ? view->GetModel()->index(0, 0, root) : root);
    untilPainted();
    double optionsMs = std::numeric_limits<double>::infinity();
    for (int run = 0; run < runs; ++run) {
        const Stopwatch stopwatch;
        OptionsDlg dialog;
        dialog.SetValues(settings);
        const int mode = settings.ShowAttributesInTree == 2 ? 0 : 2;
        dialog.findChild<QRadioButton*>(QStringLiteral("attributesInTree%1").arg(mode))->click();
        dialog.accept();
        dialog.ApplyTo(settings);
        doc.UpdateAllViews(nullptr, TrelvoDoc::HintRefresh);
        untilPainted();
        optionsMs = std::min(optionsMs, stopwatch.Elapsed().wall * 1000);
    }
    std::printf("find_all_ms %.3f\nfind_words_ms %.3f\noptions_relabel_ms %.3f\n", allMs, wordsMs,
        optionsMs);
    std::fflush(stdout);
    _exit(0);
}

bool MeasureFind(const std::string& path, int runs, FindFigures& figures, std::string& error)
{
    std::string output;
    if (!RunSelf({ ChildFindFlag, path, std::to_string(runs) }, output, error))
        return false;
    figures.findAllMs = Field(output, "find_all_ms");
    figures.findWordsMs = Field(output, "find_words_ms");
    figures.optionsRelabelMs = Field(output, "options_relabel_ms");
    if (figures.findAllMs < 0 || figures.optionsRelabelMs < 0) {
        error = "the find child printed no figures";
        return false;
    }
    return true;
}

void PrintFindFigures(const FindFigures& figures)
{
    std::printf("find, nothing found: %.0f ms (target <= %.0f %s)  whole words and case: %.0f ms "
                "(target <= %.0f %s)\n",
        figures.findAllMs, FindAllTargetMs, Verdict(figures.findAllMs <= FindAllTargetMs),
        figures.findWordsMs, FindWordsTargetMs, Verdict(figures.findWordsMs <= FindWordsTargetMs));
    std::printf("options OK relabelling the expanded tree: %.1f ms (target <= %.0f %s)\n",
        figures.optionsRelabelMs, OptionsTargetMs,
        Verdict(figures.optionsRelabelMs <= OptionsTargetMs));
}

std::string FindJsonFields(const FindFigures& figures)
{
    char buffer[256];
    std::snprintf(buffer, sizeof buffer,
        ", \"find_all_ms\": %.1f, \"find_words_ms\": %.1f, \"options_relabel_ms\": %.1f",
        figures.findAllMs, figures.findWordsMs, figures.optionsRelabelMs);
    return buffer;
}
