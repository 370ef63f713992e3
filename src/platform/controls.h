#pragma once
// Small helpers for building windows the way the program describes them:
// positions and sizes in twips, colours as the platform's BGR numbers (255 is
// red; 8000000F hexadecimal is the system colour of button faces).
#include <QColor>
#include <QFont>
#include <QSizeF>
#include <QString>
#include <cstdint>

class QWidget;
class QAbstractButton;

namespace platform {

inline constexpr std::uint32_t kButtonFace = 0x8000000F;

QColor ColorFromBgr(std::uint32_t value);

// Moves and sizes a control in twips, relative to its window's client area.
void SetTwipsGeometry(QWidget* w, double left, double top, double width, double height);
// Sizes a window's client area in twips.
void SetClientSizeTwips(QWidget* window, double width, double height);
// A window's outer size in twips, frame and caption bar included. Where the
// platform reports no frame (no window manager, or before it has framed the
// window), the frame the windows were designed with stands in: 60 on each
// side, 450 above.
QSizeF OuterSizeTwips(const QWidget* window);

void SetBackColor(QWidget* w, std::uint32_t bgr);
void SetForeColor(QWidget* w, std::uint32_t bgr);

QFont MakeFont(const QString& face, double points, bool bold = false, bool italic = false,
               bool underline = false);

// A label with the single-line frame of the old toolkit's bordered labels.
void SetFramed(QWidget* label);

}  // namespace platform
