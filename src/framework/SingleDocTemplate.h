#pragma once

#include <QString>

#include <functional>
#include <memory>

class Document;
class FrameWindow;
class View;

// How the application makes its one document, its main window and the view that fills it, and
// which files the document reads and writes.
struct SingleDocTemplate {
    std::function<std::unique_ptr<Document>()> createDocument;
    // Views of the frame's own (panes) are made in FrameWindow::OnCreate, after the main view.
    std::function<std::unique_ptr<FrameWindow>(Document&)> createFrame;
    // Makes the main view, a widget that is also a View, with the frame as its parent. It
    // becomes the frame's central widget and active view.
    std::function<View*(FrameWindow&, Document&)> createView;
    // The document type's dialog filter ("*.xml (*.xml)") and default extension (".xml").
    QString filter;
    QString defaultExtension;
};
