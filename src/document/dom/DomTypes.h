#pragma once

// Node type numbers of the DOM, as the rest of the program uses them.
enum class NodeType : int {
    Invalid = 0,
    Element = 1,
    Attribute = 2,
    Text = 3,
    CDataSection = 4,
    EntityReference = 5,
    Entity = 6,
    ProcessingInstruction = 7,
    Comment = 8,
    Document = 9,
    DocumentType = 10,
    DocumentFragment = 11,
    Notation = 12,
};

// Outcome of a DOM operation: negative values are failures, DomNoValue is neither a success with
// a value nor a failure (a missing attribute, the value of an element).
enum DomResult : int {
    DomOk = 0,
    DomNoValue = 1,
    DomFail = -1,
    DomInvalidArgument = -2,
    // A save refused because the markup would not load again; nothing was written.
    DomUnreadable = -3,
    // The caller's progress callback asked to stop: nothing changed.
    DomCancelled = -4,
};

constexpr bool Failed(DomResult result) { return result < 0; }
constexpr bool Succeeded(DomResult result) { return result >= 0; }

// The deepest nesting of elements the loader reads; a deeper tree would be saved to a file that
// never opens again.
inline constexpr int DomMaxElementDepth = 4096;
