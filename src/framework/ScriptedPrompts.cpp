#include "ScriptedPrompts.h"

#include <QDebug>

#include <algorithm>

namespace {
bool Offers(Prompts::Buttons buttons, Prompts::Button button)
{
    using B = Prompts::Button;
    switch (buttons) {
    case Prompts::Buttons::Ok:
        return button == B::Ok;
    case Prompts::Buttons::OkCancel:
        return button == B::Ok || button == B::Cancel;
    case Prompts::Buttons::YesNo:
        return button == B::Yes || button == B::No;
    case Prompts::Buttons::YesNoCancel:
        return button == B::Yes || button == B::No || button == B::Cancel;
    }
    return false;
}

template <typename T> bool TakeAnswer(std::deque<T>& queue, T& answer)
{
    if (queue.empty())
        return false;
    answer = std::move(queue.front());
    queue.pop_front();
    return true;
}
}

void ScriptedPrompts::AnswerMessage(Button button) { messageAnswers.push_back(button); }

void ScriptedPrompts::AnswerOpenFileName(const QString& path) { openFileAnswers.push_back(path); }

void ScriptedPrompts::AnswerSaveFileName(const QString& path) { saveFileAnswers.push_back(path); }

void ScriptedPrompts::AnswerDialog(std::function<int(QDialog&)> answer)
{
    dialogAnswers.push_back(std::move(answer));
}

void ScriptedPrompts::AnswerDialog(int result)
{
    dialogAnswers.push_back([result](QDialog&) { return result; });
}

void ScriptedPrompts::AnswerMenu(std::function<int(QMenu&)> answer)
{
    menuAnswers.push_back(std::move(answer));
}

void ScriptedPrompts::AnswerMenu(int commandId)
{
    menuAnswers.push_back([commandId](QMenu&) { return commandId; });
}

void ScriptedPrompts::AnswerDesktop(bool opened) { desktopAnswers.push_back(opened); }

void ScriptedPrompts::AnswerProcess(bool started) { processAnswers.push_back(started); }

std::vector<ScriptedPrompts::Call> ScriptedPrompts::CallsOf(Kind kind) const
{
    std::vector<Call> matching;
    std::copy_if(calls.begin(), calls.end(), std::back_inserter(matching),
        [kind](const Call& call) { return call.kind == kind; });
    return matching;
}

int ScriptedPrompts::UnansweredCount() const
{
    return int(
        std::count_if(calls.begin(), calls.end(), [](const Call& call) { return !call.answered; }));
}

int ScriptedPrompts::PendingAnswers() const
{
    return int(messageAnswers.size() + openFileAnswers.size() + saveFileAnswers.size()
        + dialogAnswers.size() + menuAnswers.size() + desktopAnswers.size()
        + processAnswers.size());
}

void ScriptedPrompts::Clear()
{
    calls.clear();
    messageAnswers.clear();
    openFileAnswers.clear();
    saveFileAnswers.clear();
    dialogAnswers.clear();
    menuAnswers.clear();
    desktopAnswers.clear();
    processAnswers.clear();
}

ScriptedPrompts::Call& ScriptedPrompts::Log(Kind kind, const QString& text)
{
    Call call;
    call.kind = kind;
    call.text = text;
    calls.push_back(std::move(call));
    return calls.back();
}

void ScriptedPrompts::Unanswered(Call& call)
{
    call.answered = false;
    qWarning().noquote() << "ScriptedPrompts: no scripted answer for call" << int(call.kind)
                         << call.text;
}

Prompts::Button ScriptedPrompts::MessageBox(
    const QString& text, const QString& caption, Buttons buttons, Icon icon)
{
    Call& call = Log(Kind::MessageBox, text);
    call.caption = caption;
    call.buttons = buttons;
    call.icon = icon;
    Button answer = Button::Cancel;
    if (!TakeAnswer(messageAnswers, answer) || !Offers(buttons, answer)) {
        Unanswered(call);
        return Button::Cancel;
    }
    return answer;
}

QString ScriptedPrompts::GetOpenFileName(
    const QString& caption, const QString& filter, const QString& initialPath)
{
    Call& call = Log(Kind::OpenFile, QString());
    call.caption = caption;
    call.filter = filter;
    call.initialPath = initialPath;
    QString answer;
    if (!TakeAnswer(openFileAnswers, answer))
        Unanswered(call);
    return answer;
}

QString ScriptedPrompts::GetSaveFileName(
    const QString& caption, const QString& filter, const QString& initialPath)
{
    Call& call = Log(Kind::SaveFile, QString());
    call.caption = caption;
    call.filter = filter;
    call.initialPath = initialPath;
    QString answer;
    if (!TakeAnswer(saveFileAnswers, answer))
        Unanswered(call);
    return answer;
}

int ScriptedPrompts::ExecDialog(QDialog& dialog)
{
    Log(Kind::Dialog, QString());
    std::function<int(QDialog&)> answer;
    if (!TakeAnswer(dialogAnswers, answer)) {
        Unanswered(calls.back());
        return 0;
    }
    return answer(dialog);
}

int ScriptedPrompts::TrackPopupMenu(QMenu& menu, const QPoint& globalPos)
{
    Log(Kind::PopupMenu, QString()).pos = globalPos;
    std::function<int(QMenu&)> answer;
    if (!TakeAnswer(menuAnswers, answer)) {
        Unanswered(calls.back());
        return 0;
    }
    return answer(menu);
}

bool ScriptedPrompts::OpenWithDesktop(const QString& fileOrUrl)
{
    Call& call = Log(Kind::Desktop, fileOrUrl);
    bool answer = false;
    if (!TakeAnswer(desktopAnswers, answer))
        Unanswered(call);
    return answer;
}

bool ScriptedPrompts::StartProcess(const QString& program, const QStringList& arguments)
{
    Call& call = Log(Kind::Process, program);
    call.arguments = arguments;
    bool answer = false;
    if (!TakeAnswer(processAnswers, answer))
        Unanswered(call);
    return answer;
}
