#pragma once

#include "dom/DomNode.h"

#include <QMimeData>

// A branch of the document on the clipboard or in a drag, offered to other programs as XML text
// that is written only when one of them asks for it.
class BranchMimeData : public QMimeData {
    Q_OBJECT

public:
    // Marks the data as this program's own; it holds Token().
    static QString OwnFormat() { return QStringLiteral("application/x-trelvo-branch"); }

    explicit BranchMimeData(const DomNode& node);

    // Tells this copy from any other, in this process or another one.
    QByteArray Token() const { return token; }
    // Lets the node go, so that the document it belongs to can be freed; with keepText, its
    // text is written first and offered from then on.
    void Freeze(bool keepText);

    QStringList formats() const override;
    bool hasFormat(const QString& mimeType) const override;

protected:
    QVariant retrieveData(const QString& mimeType, QMetaType type) const override;

private:
    // The branch as it stands when asked (a Copy mark pastes it that way too), also after it was
    // deleted: the handle keeps a removed branch alive.
    DomNode node;
    QByteArray frozen;
    QByteArray token;
};
