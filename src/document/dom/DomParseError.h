#pragma once

#include <QString>

// The first error of the last failed load; empty (errorCode 0) after a successful one.
struct DomParseError {
    int errorCode = 0;
    QString reason; // a sentence ending with a line break
    QString url; // the path; empty after loadXML
    int line = 0; // 1-based
    int linepos = 0; // 1-based, in characters
    long long filepos = 0;
    QString srcText; // the faulty line without its line break
};
