#pragma once

// The attribute pane's settings, as the application holds them.
struct AttributeSettings {
    // Column widths in pixels; 0 or less leaves the column at its initial width.
    int AttributeNameWidth = 0;
    int AttributeValueWidth = 0;
    // -1 unsorted (document order), 0 by name, 1 by value.
    int AttributeSortColumn = -1;
    bool AttributeSortAscending = false;
};
