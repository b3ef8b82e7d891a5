#pragma once

#include <QString>

// The user's settings as the program holds them while it runs: read when it starts and written
// when it ends (SettingsTable says how each is stored and what values it may take), read and
// changed by the views and dialogs in between. A new object holds the defaults.
struct UserSettings {
    UserSettings();

    // Expand the whole tree each time it is built for a document.
    bool ExpandOnLoad {};
    // Attributes in element labels: 0 none, 1 values only, 2 names and values.
    int ShowAttributesInTree {};
    // Image pane: 0 real size, 1 fit, 2 stretch.
    int ImageScale {};
    // Source pane: 0 the DOM's own serialisation, 1 re-indented with tabs, 2 with
    // XmlSourceFormatSpaces spaces per level.
    int XmlSourceFormat {};
    int XmlSourceFormatSpaces {};
    // Transformation output: 0 file, 1 file and preview, 2 preview only.
    int XsltOutput {};
    // Preview with 0 the output file's default program, 1 XsltPreviewProgram.
    int XsltPreview {};
    QString XsltPreviewProgram;
    // The insert dialog's last screen rectangle; used when the position is not negative and the
    // size is positive.
    int InsertItemDlgPosX {};
    int InsertItemDlgPosY {};
    int InsertItemDlgWidth {};
    int InsertItemDlgHeight {};
    // The attribute pane's column widths in pixels; 0 leaves a column at its initial width.
    int AttributeNameWidth {};
    int AttributeValueWidth {};
    // -1 unsorted (document order), 0 by name, 1 by value.
    int AttributeSortColumn {};
    bool AttributeSortAscending {};
    // The find dialog's options: direction 0 up, 1 down; the others 0 or 1.
    int FindDirection {};
    int FindCase {};
    int FindWholeWords {};
    int FindNames {};
    int FindValues {};
    int FindProps {};
    // The XPath dialog's last expressions, the latest first, one per line.
    QString XPathHistory;
};
