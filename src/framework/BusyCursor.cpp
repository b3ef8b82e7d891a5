#include "BusyCursor.h"

BusyCursor::Function BusyCursor::showFunction = nullptr;
BusyCursor::Function BusyCursor::hideFunction = nullptr;

BusyCursor::BusyCursor()
{
    if (showFunction && hideFunction) {
        showFunction();
        hide = hideFunction;
    }
}

BusyCursor::~BusyCursor()
{
    if (hide)
        hide();
}

void BusyCursor::Install(Function showCursor, Function hideCursor)
{
    showFunction = showCursor;
    hideFunction = hideCursor;
}
