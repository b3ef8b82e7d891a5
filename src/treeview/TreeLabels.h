#pragma once

#include <QString>

class DomNode;

// The texts of the tree's items, made from their nodes.
namespace TreeLabels {

// The modes of the ShowAttributesInTree setting; a stored value other than these shows names
// and values.
inline constexpr int ShowNoAttributes = 0;
inline constexpr int ShowAttributeValues = 1;
inline constexpr int ShowAttributeNames = 2;

// The element's name followed by its attributes in map order as the mode asks: ` "1"  "2"` for
// values, ` a="1"  b="2"` for names and values; values as they are, without escaping.
QString MakeElementLabel(const DomNode& element, int showAttributes);

// The label of any node that has an item: the element label, the value of text, CDATA and
// comments, the target and data of an instruction, "Document", and the markup of a document
// type on one line. Line feeds and length are kept.
QString MakeLabel(const DomNode& node, int showAttributes);

// Appends the label MakeLabel gives to out; scratch is working space. With buffers kept from
// one call to the next, nothing is allocated per label.
void AppendLabel(const DomNode& node, int showAttributes, QString& out, QString& scratch);

// The label as one line is drawn: line breaks become a visible mark and a very long label is
// cut, with an ellipsis after the cut.
QString ForDrawing(const QString& label);

// Labels longer than this many characters are cut for drawing.
inline constexpr qsizetype MaxDrawnLength = 4000;
// Drawn for each line break.
inline constexpr char16_t LineBreakMark = u'\u21B5';

} // namespace TreeLabels
