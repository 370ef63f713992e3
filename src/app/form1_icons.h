#pragma once
// The small pictures of the main window's picture buttons and its icon, drawn
// by the program itself.
#include <QIcon>

namespace app {

enum class Picture { Cut, Copy, Paste, Undo, Redo, Save, Open };

QIcon PictureIcon(Picture picture);

// 32 x 32: a rune stroke over a page.
QIcon WindowIcon();

}  // namespace app
