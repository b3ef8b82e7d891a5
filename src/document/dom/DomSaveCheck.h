#pragma once

// Internal to the DOM layer: whether bytes about to replace a file would load again.

#include <QByteArray>
#include <QString>

#include <functional>

namespace DomSaveCheck {

// Parses the bytes as the loader reads a file (encoding from the byte-order mark or the
// declaration, no network, no external DTD, the same size and depth limits) without building
// a tree. requireRoot false accepts a document that ends before its root element. False with
// reason (the parser's first error and its line) otherwise. progress is told the bytes read
// between pieces; when it returns false the check stops: false, with cancelled set.
bool Loads(const QByteArray& bytes, bool requireRoot, QString& reason,
    const std::function<bool(qint64 done)>& progress = {}, bool* cancelled = nullptr);

} // namespace DomSaveCheck
