#pragma once

// Shows the busy cursor while it exists, through functions the widget layer installs, so that
// code without widgets can mark a long operation; until they are installed it does nothing.
class BusyCursor {
public:
    using Function = void (*)();

    BusyCursor();
    ~BusyCursor();
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;

    // Null functions restore the default, which does nothing.
    static void Install(Function showCursor, Function hideCursor);

private:
    static Function showFunction;
    static Function hideFunction;
    // Kept from the construction, so a show is always matched by its own hide.
    Function hide = nullptr;
};
