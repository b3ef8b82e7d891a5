#pragma once

#include "Prompts.h"

#include <QPoint>

#include <deque>
#include <functional>
#include <vector>

// Answers prompts from queues filled in advance and logs every call, so tests check what was
// asked and never wait. A call with no queued answer is logged as unanswered, warned about and
// refused (Cancel, an empty path, 0 or false).
class ScriptedPrompts : public Prompts {
public:
    enum class Kind { MessageBox, OpenFile, SaveFile, Dialog, PopupMenu, Desktop, Process };

    struct Call {
        Kind kind = Kind::MessageBox;
        // The message, the file or address to open, or the program to start.
        QString text;
        QString caption;
        Buttons buttons = Buttons::Ok;
        Icon icon = Icon::None;
        QString filter;
        QString initialPath;
        QStringList arguments;
        QPoint pos;
        bool answered = true;
    };

    void AnswerMessage(Button button);
    void AnswerOpenFileName(const QString& path);
    void AnswerSaveFileName(const QString& path);
    // The function may fill in the dialog's fields before giving the result.
    void AnswerDialog(std::function<int(QDialog&)> answer);
    void AnswerDialog(int result);
    // The function may look at the menu before choosing a command id.
    void AnswerMenu(std::function<int(QMenu&)> answer);
    void AnswerMenu(int commandId);
    void AnswerDesktop(bool opened);
    void AnswerProcess(bool started);

    const std::vector<Call>& Calls() const { return calls; }
    std::vector<Call> CallsOf(Kind kind) const;
    int UnansweredCount() const;
    // Answers queued but never asked for: a test expecting more prompts than came.
    int PendingAnswers() const;
    void Clear();

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

private:
    Call& Log(Kind kind, const QString& text);
    void Unanswered(Call& call);

    std::vector<Call> calls;
    std::deque<Button> messageAnswers;
    std::deque<QString> openFileAnswers;
    std::deque<QString> saveFileAnswers;
    std::deque<std::function<int(QDialog&)>> dialogAnswers;
    std::deque<std::function<int(QMenu&)>> menuAnswers;
    std::deque<bool> desktopAnswers;
    std::deque<bool> processAnswers;
};
