#pragma once

// The settings the tree view reads, as the application holds them at the moment of asking.
struct TreeSettings {
    // Expand the whole tree each time it is built for a document.
    bool ExpandOnLoad = false;
    // Attributes in element labels: 0 none, 1 values only, anything else names and values.
    int ShowAttributesInTree = 0;
    // The insert dialog's last screen rectangle; used when the position is not negative and the
    // size is positive.
    int InsertItemDlgPosX = -1;
    int InsertItemDlgPosY = -1;
    int InsertItemDlgWidth = 0;
    int InsertItemDlgHeight = 0;
};
