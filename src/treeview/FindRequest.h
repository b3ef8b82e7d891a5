#pragma once

#include <QString>

// One search of the tree as the find dialog describes it; the view keeps the last one for Find
// Next and Find Previous.
struct FindRequest {
    QString text;
    // 0 up, 1 down.
    int direction = 1;
    // Flags, 0 or 1: the items' labels, the text and CDATA children of elements, the nodes'
    // attribute names and values; case, whole words.
    int searchNames = 0;
    int searchValues = 0;
    int searchAttributes = 0;
    int matchCase = 0;
    int wholeWords = 0;
};
