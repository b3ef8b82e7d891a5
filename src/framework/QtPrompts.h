#pragma once

#include "Prompts.h"

// The prompts of the running program: Qt's message boxes, file dialogs and menus, the desktop's
// handlers and detached processes.
class QtPrompts : public Prompts {
public:
    Button MessageBox(
        const QString& text, const QString& caption, Buttons buttons, Icon icon) override;
    QString GetOpenFileName(
        const QString& caption, const QString& filter, const QString& initialPath) override;
    QString GetSaveFileName(
        const QString& caption, const QString& filter, const QString& initialPath) override;
    int ExecDialog(QDialog& dialog) override;
    int TrackPopupMenu(QMenu& menu, const QPoint& globalPos) override;
    bool OpenWithDesktop(const QString& fileOrUrl) override;
    bool StartProcess(const QString& program, const QStringList& arguments) override;
};
