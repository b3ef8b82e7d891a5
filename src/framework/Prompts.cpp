#include "Prompts.h"

#include "ScriptedPrompts.h"

Prompts* Prompts::current = nullptr;

Prompts::~Prompts()
{
    if (current == this)
        current = nullptr;
}

Prompts& Prompts::Instance()
{
    if (current)
        return *current;
    // A script with no answers: every call is logged, warned about and refused, so a program
    // that forgot to install its prompts can neither block nor act on an invented answer.
    static ScriptedPrompts unanswered;
    return unanswered;
}

void Prompts::SetInstance(Prompts* prompts) { current = prompts; }

bool Prompts::HasInstance() { return current != nullptr; }
