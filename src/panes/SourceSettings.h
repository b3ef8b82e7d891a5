#pragma once

// The settings the source pane reads, as the application holds them at the moment of asking.
struct SourceSettings {
    // 0 the DOM's own serialisation, 1 re-indented with tabs, anything else re-indented with
    // XmlSourceFormatSpaces spaces per level.
    int XmlSourceFormat = 1;
    int XmlSourceFormatSpaces = 4;
};
