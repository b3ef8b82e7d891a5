#include "XsltBench.h"

#include "ChildSupport.h"

#include "LoadChild.h"
#include "Stopwatch.h"

#include "FrameWindow.h"
#include "ScriptedPrompts.h"
#include "TreeCommands.h"
#include "TrelvoDoc.h"
#include "TrelvoView.h"
#include "XsltCommands.h"
#include "dom/DomStore.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <libxslt/transform.h>
#include <libxslt/xsltInternals.h>
#include <libxslt/xsltutils.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <unistd.h>

namespace {

constexpr double XsltTarget = 1.5;

const char IdentitySheet[]
    = "<xsl:stylesheet version=\"1.0\" xmlns:xsl=\"http://www.w3.org/1999/XSL/Transform\">\n"
      "  <xsl:template match=\"@*|node()\">\n"
      "    <xsl:copy><xsl:apply-templates select=\"@*|node()\"/></xsl:copy>\n"
      "  </xsl:template>\n"
      "</xsl:stylesheet>\n";

} // namespace

[[noreturn]] void RunXsltChild(int argc, char** argv)
{
    if (argc < 3)
        Fail("the xslt child needs a file");
    qputenv("QT_QPA_PLATFORM", "offscreen");
    qInstallMessageHandler(QuietMessages);
    QApplication app(argc, argv);
    const int runs = RunsArgument(argc, argv);
    ScriptedPrompts prompts;
    Prompts::SetInstance(&prompts);

    UserSettings settings;
    TrelvoDoc doc;
    FrameWindow frame { TreeCommands::Table() };
    auto* view = new TrelvoView;
    view->SetSettings(&settings);
    frame.setCentralWidget(view);
    frame.SetActiveView(view);
    doc.AddView(view);
    if (!doc.OnOpenDocument(QString::fromLocal8Bit(argv[2])))
        Fail("TrelvoDoc cannot open the file");

    // Beside the document, in the page cache's way as little as the document itself.
    QTemporaryDir folder(QFileInfo(QString::fromLocal8Bit(argv[2])).absolutePath()
        + QStringLiteral("/trelvo-bench-xslt-XXXXXX"));
    const QString sheetPath = folder.filePath(QStringLiteral("identity.xsl"));
    const QString ourOutput = folder.filePath(QStringLiteral("ours.xml"));
    const QByteArray theirOutput
        = QFile::encodeName(folder.filePath(QStringLiteral("libxslt.xml")));
    QFile sheetFile(sheetPath);
    if (!folder.isValid() || !sheetFile.open(QIODevice::WriteOnly)
        || sheetFile.write(IdentitySheet) < 0 || !sheetFile.flush())
        Fail("cannot write the style sheet");
    sheetFile.close();

    xsltStylesheetPtr style = xsltParseStylesheetFile(
        reinterpret_cast<const xmlChar*>(QFile::encodeName(sheetPath).constData()));
    xmlDocPtr parsed = DomAccess::Node(doc.dom.documentNode())->doc;
    if (!style || !parsed)
        Fail("libxslt cannot read the style sheet");

    XsltCommands commands(*view);
    double oursMs = std::numeric_limits<double>::infinity();
    double theirsMs = oursMs;
    for (int run = 0; run < runs; ++run) {
        prompts.AnswerSaveFileName(ourOutput);
        prompts.AnswerMessage(Prompts::Button::Ok);
        const Stopwatch ours;
        commands.ApplyStylesheet(sheetPath);
        oursMs = std::min(oursMs, ours.Elapsed().wall * 1000);
        if (prompts.PendingAnswers() != 0
            || prompts.CallsOf(ScriptedPrompts::Kind::MessageBox).back().text
                != QStringLiteral("Transformation successful!"))
            Fail("ApplyStylesheet failed");
        prompts.Clear();

        const Stopwatch theirs;
        xmlDocPtr result = xsltApplyStylesheet(style, parsed, nullptr);
        const int written
            = result ? xsltSaveResultToFilename(theirOutput.constData(), result, style, 0) : -1;
        xmlFreeDoc(result);
        theirsMs = std::min(theirsMs, theirs.Elapsed().wall * 1000);
        if (written < 0)
            Fail("libxslt failed");
    }
    std::printf("xslt_ours_ms %.3f\nxslt_libxslt_ms %.3f\nxslt_output_bytes %lld\n", oursMs,
        theirsMs, static_cast<long long>(QFileInfo(ourOutput).size()));
    std::fflush(stdout);
    _exit(0);
}

bool MeasureXslt(const std::string& path, int runs, XsltFigures& figures, std::string& error)
{
    std::string output;
    if (!RunSelf({ ChildXsltFlag, path, std::to_string(runs) }, output, error))
        return false;
    figures.oursMs = Field(output, "xslt_ours_ms");
    figures.libxsltMs = Field(output, "xslt_libxslt_ms");
    if (figures.oursMs < 0 || figures.libxsltMs <= 0) {
        error = "the xslt child printed no figures";
        return false;
    }
    return true;
}

void PrintXsltFigures(const XsltFigures& figures)
{
    const double ratio = figures.oursMs / figures.libxsltMs;
    std::printf("identity XSLT into a file: %.0f ms  libxslt: %.0f ms  ratio %.2f  (target <= %.2f "
                "%s)\n",
        figures.oursMs, figures.libxsltMs, ratio, XsltTarget,
        ratio <= XsltTarget ? "met" : "MISSED");
}

std::string XsltJsonFields(const XsltFigures& figures)
{
    char buffer[128];
    std::snprintf(buffer, sizeof buffer, ", \"xslt_identity_ratio\": %.3f",
        figures.oursMs / figures.libxsltMs);
    return buffer;
}
