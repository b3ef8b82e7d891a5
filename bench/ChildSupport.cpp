#include "ChildSupport.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>

void Fail(const char* what)
{
    std::fprintf(stderr, "trelvo-bench: %s\n", what);
    std::fflush(stdout);
    std::fflush(stderr);
    _exit(1);
}

double Field(const std::string& output, const std::string& name, int occurrence)
{
    std::size_t at = 0;
    for (int i = 0; i <= occurrence; ++i) {
        at = output.find(name + ' ', i == 0 ? 0 : at + 1);
        if (at == std::string::npos)
            return -1;
    }
    return std::strtod(output.c_str() + at + name.size() + 1, nullptr);
}

int RunsArgument(int argc, char** argv) { return argc > 3 ? std::max(1, std::atoi(argv[3])) : 1; }

void QuietMessages(QtMsgType type, const QMessageLogContext&, const QString& message)
{
    if (type == QtCriticalMsg || type == QtFatalMsg)
        std::fprintf(stderr, "%s\n", qPrintable(message));
}

bool PaintCounter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint)
        ++paints;
    return QObject::eventFilter(watched, event);
}

void PaintCounter::WaitPast(int before, const char* failure) const
{
    QElapsedTimer limit;
    limit.start();
    while (paints == before) {
        QCoreApplication::processEvents();
        if (limit.elapsed() > 60000)
            Fail(failure);
    }
}
