#include "platform/mouse.h"

#include <QMouseEvent>
#include <QObject>
#include <QWidget>

#include "platform/dialogs.h"

namespace platform {
namespace {

class MouseDownFilter : public QObject {
public:
    MouseDownFilter(QWidget* control, MouseDownProcedure procedure)
        : QObject(control), procedure_(std::move(procedure)) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonPress || event->type() == QEvent::MouseButtonDblClick) {
            const auto* e = static_cast<QMouseEvent*>(event);
            int button = 0;
            if (e->button() == Qt::LeftButton) button = LeftButton;
            else if (e->button() == Qt::RightButton) button = RightButton;
            else if (e->button() == Qt::MiddleButton) button = MiddleButton;
            int shift = 0;
            if (e->modifiers() & Qt::ShiftModifier) shift |= 1;
            if (e->modifiers() & Qt::ControlModifier) shift |= 2;
            if (e->modifiers() & Qt::AltModifier) shift |= 4;
            const QPointF at = e->position();
            if (button != 0)
                procedure_(button, shift, static_cast<float>(at.x() * dlg::PixelsToTwipsX(1)),
                           static_cast<float>(at.y() * dlg::PixelsToTwipsY(1)));
        }
        return QObject::eventFilter(watched, event);
    }

private:
    MouseDownProcedure procedure_;
};

}  // namespace

void OnMouseDown(QWidget* control, MouseDownProcedure procedure) {
    control->installEventFilter(new MouseDownFilter(control, std::move(procedure)));
}

}  // namespace platform
