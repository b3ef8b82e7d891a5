#include "Newlines.h"

QString NewlinesForDisplay(const QString& text)
{
    QString display = text;
    return display.replace(u'\n', QStringLiteral("\r\n"));
}

QString NewlinesForDom(const QString& text)
{
    QString dom = text;
    return dom.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}
