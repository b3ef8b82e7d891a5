#pragma once

// Hands the pages of freed heap blocks back to the system where the C library can, so that a
// document that was closed stops counting in the resident memory; elsewhere it does nothing.
void ReturnFreedMemory();
