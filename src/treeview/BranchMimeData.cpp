#include "BranchMimeData.h"

#include <QCoreApplication>

namespace {

QString XmlFormat() { return QStringLiteral("application/xml"); }
QString TextFormat() { return QStringLiteral("text/plain"); }

} // namespace

BranchMimeData::BranchMimeData(const DomNode& node)
    : node(node)
{
    static quint64 serial = 0;
    token = QByteArray::number(QCoreApplication::applicationPid()) + ' '
        + QByteArray::number(++serial);
}

void BranchMimeData::Freeze(bool keepText)
{
    if (node.isNull())
        return;
    if (keepText)
        frozen = node.standaloneXml();
    node = DomNode();
}

QStringList BranchMimeData::formats() const { return { TextFormat(), XmlFormat(), OwnFormat() }; }

bool BranchMimeData::hasFormat(const QString& mimeType) const
{
    return formats().contains(mimeType);
}

QVariant BranchMimeData::retrieveData(const QString& mimeType, QMetaType) const
{
    if (mimeType == OwnFormat())
        return token;
    if (mimeType != TextFormat() && mimeType != XmlFormat())
        return QVariant();
    // Asked once per paste in another program; a branch of the 50 MB document takes a fraction
    // of a second, and a Copy that is never pasted elsewhere costs nothing.
    return node.isNull() ? frozen : node.standaloneXml();
}
