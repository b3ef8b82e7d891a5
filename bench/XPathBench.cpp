#include "XPathBench.h"

#include "BenchWindow.h"

#include "ChildSupport.h"

#include "LoadChild.h"
#include "Stopwatch.h"

#include "FrameWindow.h"
#include "ScriptedPrompts.h"
#include "TreeCommands.h"
#include "TrelvoDoc.h"
#include "TrelvoView.h"
#include "XPathDlg.h"
#include "XPathResults.h"
#include "dom/DomStore.h"

#include <QApplication>
#include <QComboBox>
#include <QTreeView>

#include <libxml/xpath.h>

#include <algorithm>
#include <cstdio>
#include <limits>
#include <unistd.h>

namespace {

constexpr double XPathTarget = 1.5;
const char Expression[] = "//*[@id]";

// libxml2 alone: the count of nodes it selected, -1 on failure. The document-order numbers it
// writes are the ones the program keeps in an unchanged document.
long EvaluateWithLibxml2(xmlDocPtr doc, double& ms)
{
    xmlXPathOrderDocElems(doc);
    const Stopwatch stopwatch;
    xmlXPathContextPtr context = xmlXPathNewContext(doc);
    xmlXPathObjectPtr result
        = context ? xmlXPathEval(reinterpret_cast<const xmlChar*>(Expression), context) : nullptr;
    const long count = result && result->nodesetval ? result->nodesetval->nodeNr : -1;
    xmlXPathFreeObject(result);
    xmlXPathFreeContext(context);
    ms = stopwatch.Elapsed().wall * 1000;
    return count;
}

} // namespace

[[noreturn]] void RunXPathChild(int argc, char** argv)
{
    if (argc < 3)
        Fail("the xpath child needs a file");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietMessages);
    QApplication app(argc, argv);
    const int runs = RunsArgument(argc, argv);
    ScriptedPrompts prompts;
    Prompts::SetInstance(&prompts);

    BenchWindow window;
    TrelvoDoc& doc = window.doc;
    FrameWindow& frame = window.frame;
    TrelvoView* view = window.view;
    if (!doc.OnOpenDocument(QString::fromLocal8Bit(argv[2])))
        Fail("TrelvoDoc cannot open the file");
    doc.SendInitialUpdate();
    view->SelectItem(view->GetModel()->index(0, 0));

    XPathDlg dialog(&frame);
    dialog.SetTreeView(view);
    doc.AddView(&dialog);
    dialog.Activate();
    PaintCounter paints;
    dialog.ResultList()->viewport()->installEventFilter(&paints);
    QApplication::processEvents();
    xmlDocPtr parsed = DomAccess::Node(doc.dom.documentNode())->doc;

    double oursMs = std::numeric_limits<double>::infinity();
    double theirsMs = oursMs;
    double firstMs = 0;
    long listed = 0;
    for (int run = 0; run < runs; ++run) {
        dialog.Results()->Clear();
        QApplication::processEvents();
        dialog.ExpressionBox()->setEditText(QString::fromLatin1(Expression));
        const int before = paints.paints;
        const Stopwatch ours;
        dialog.Evaluate();
        paints.WaitPast(before, "the result list did not paint");
        const double ms = ours.Elapsed().wall * 1000;
        oursMs = std::min(oursMs, ms);
        // The first numbers the elements in document order.
        if (run == 0)
            firstMs = ms;
        listed = dialog.Results()->rowCount();

        double libxml2Ms = 0;
        const long count = EvaluateWithLibxml2(parsed, libxml2Ms);
        theirsMs = std::min(theirsMs, libxml2Ms);
        if (count <= 0 || std::min(count, DomXPath::DefaultMaxNodes) != listed)
            Fail("the dialog listed another count of nodes than libxml2 found");
    }
    std::printf("xpath_all_ms %.3f\nxpath_libxml2_ms %.3f\nxpath_first_ms %.3f\nxpath_nodes %ld\n",
        oursMs, theirsMs, firstMs, listed);
    std::fflush(stdout);
    _exit(0);
}

bool MeasureXPath(const std::string& path, int runs, XPathFigures& figures, std::string& error)
{
    std::string output;
    if (!RunSelf({ ChildXPathFlag, path, std::to_string(runs) }, output, error))
        return false;
    figures.allMs = Field(output, "xpath_all_ms");
    figures.libxml2Ms = Field(output, "xpath_libxml2_ms");
    figures.firstMs = Field(output, "xpath_first_ms");
    figures.nodes = long(Field(output, "xpath_nodes"));
    if (figures.allMs < 0 || figures.libxml2Ms <= 0) {
        error = "the xpath child printed no figures";
        return false;
    }
    return true;
}

void PrintXPathFigures(const XPathFigures& figures)
{
    const double ratio = figures.allMs / figures.libxml2Ms;
    std::printf("XPath %s, %ld nodes listed in the dialog: %.0f ms  libxml2: %.0f ms  ratio %.2f  "
                "(target <= %.2f %s); the first after the load, numbering the elements: %.0f ms\n",
        Expression, figures.nodes, figures.allMs, figures.libxml2Ms, ratio, XPathTarget,
        Verdict(ratio <= XPathTarget), figures.firstMs);
}

std::string XPathJsonFields(const XPathFigures& figures)
{
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, ", \"xpath_all_ms\": %.1f, \"xpath_ratio\": %.3f",
        figures.allMs, figures.libxml2Ms > 0 ? figures.allMs / figures.libxml2Ms : 0);
    return buffer;
}
