#pragma once

#include <QtGlobal>

// Milliseconds from a steady clock, wrapping at 32 bits; the difference of two readings is an
// elapsed time even across the wrap.
quint32 TickCount();
