#pragma once
// The main window as the window tests start from.
#include "app/form1.h"
#include "store/store.h"

// Loaded, with symbols for "a" and "b" (Greek alpha and beta).
inline Form1Form& loaded() {
    Form1().Load();
    store::CellCode['a'] = "\\u945?";
    store::CellCode['b'] = "\\u946?";
    return Form1();
}
