#include "platform/lazyform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QWidget>
#include <map>
#include <vector>

#include "platform/captions.h"

namespace platform {
namespace {

std::function<void()> g_endHook;

struct Registry {
    std::map<std::type_index, LazyForm*> forms;
    std::vector<std::type_index> order;  // creation order, destroyed in reverse
};

Registry& registry() {
    static Registry r;
    return r;
}

}  // namespace

LazyForm::~LazyForm() { Unload(); }

QWidget* LazyForm::Window() {
    Load();
    return window_;
}

void LazyForm::Load() {
    if (window_) return;
    window_ = new QWidget(nullptr);
    window_->setAttribute(Qt::WA_DeleteOnClose, false);
    window_->setWindowTitle(caption_);
    window_->setFont(WindowFont());
    window_->installEventFilter(this);
    ++loadCount_;
    CreateControls(window_);
    Form_Load();
}

void LazyForm::Show() {
    Load();
    if (!window_) return;  // its load procedure unloaded it again
    if (window_->isMinimized()) window_->showNormal();
    else window_->show();
    window_->raise();
    window_->activateWindow();
}

void LazyForm::Unload() {
    if (!window_) return;
    QWidget* w = window_;
    window_ = nullptr;
    w->removeEventFilter(this);
    w->hide();
    ControlsDiscarded();
    w->deleteLater();
}

bool LazyForm::eventFilter(QObject* watched, QEvent* event) {
    if (watched == window_) {
        if (event->type() == QEvent::Close) {
            if (QueryUnload()) {
                Unload();
            } else {
                event->ignore();
            }
            return true;
        }
        if (event->type() == QEvent::Resize || event->type() == QEvent::Show) Form_Resize();
    }
    return QObject::eventFilter(watched, event);
}

void EndProgram() {
    if (g_endHook) {
        g_endHook();
        return;
    }
    for (QWidget* w : QApplication::topLevelWidgets()) w->hide();
    QCoreApplication::exit(0);
}

void SetEndProgramHook(std::function<void()> hook) { g_endHook = std::move(hook); }

void RegisterForm(std::type_index type, LazyForm* form) {
    auto& r = registry();
    r.forms.emplace(type, form);
    r.order.push_back(type);
}

LazyForm* FindForm(std::type_index type) {
    auto& r = registry();
    auto it = r.forms.find(type);
    return it == r.forms.end() ? nullptr : it->second;
}

void DestroyAllForms() {
    auto& r = registry();
    while (!r.order.empty()) {
        const auto type = r.order.back();
        r.order.pop_back();
        auto it = r.forms.find(type);
        if (it != r.forms.end()) {
            LazyForm* f = it->second;
            r.forms.erase(it);
            delete f;
        }
    }
    // Windows unloaded above are deleted later; let that happen now.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace platform
