#pragma once

#include <QString>

// The DOM keeps line feeds; the value dialogs show carriage return + line feed.

// Every line feed becomes carriage return + line feed.
QString NewlinesForDisplay(const QString& text);
// Every carriage return + line feed becomes a line feed; a lone carriage return stays.
QString NewlinesForDom(const QString& text);
