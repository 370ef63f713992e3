#pragma once
// The life of a window: one instance for the whole run, whose controls exist
// only while it is loaded. Touching a control of a window that is not loaded
// loads it (hidden) and runs its load procedure to the end before the touching
// code goes on; while the load runs the window counts as loaded, so the load's
// own nested calls do not start a second load. Closing the window unloads it:
// the controls are discarded, the instance and its members stay, and the next
// touch loads it afresh.
#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>
#include <memory>
#include <typeindex>

class QWidget;

namespace platform {

class LazyForm : public QObject {
public:
    ~LazyForm() override;

    bool IsLoaded() const { return window_ != nullptr; }

    // The window, loaded first when it is not.
    QWidget* Window();
    void Load();
    // Shows the window modeless and brings it forward, loading it first.
    void Show();
    // Discards the controls without running any procedure of the window.
    void Unload();

    // How many times the window has been loaded (for tests and diagnostics).
    int LoadCount() const { return loadCount_; }

protected:
    explicit LazyForm(QString caption) : caption_(std::move(caption)) {}

    // Creates the controls on the freshly made window.
    virtual void CreateControls(QWidget* window) = 0;
    // The window's load procedure; runs after the controls exist. It may
    // unload the window again (a window that cannot show what it is for):
    // Show then shows nothing.
    virtual void Form_Load() {}
    // The user closes the window: return false to keep it (the subclass then
    // decides what happens), true to unload it.
    virtual bool QueryUnload() { return true; }
    // Runs after the controls are gone: forget every pointer into them.
    virtual void ControlsDiscarded() {}
    // Runs at every resize of the loaded window and once when it is first shown.
    virtual void Form_Resize() {}

    const QString& caption() const { return caption_; }

private:
    bool eventFilter(QObject* watched, QEvent* event) override;

    QString caption_;
    QWidget* window_ = nullptr;
    int loadCount_ = 0;
};

// Ends the program at once: every window is discarded without its own close
// procedure. Tests replace it so the test process goes on.
void EndProgram();
void SetEndProgramHook(std::function<void()> hook);

// The single instances of the program's windows. Each is made on first use and
// lives until DestroyAllForms (at exit, and between tests).
void RegisterForm(std::type_index type, LazyForm* form);
LazyForm* FindForm(std::type_index type);
void DestroyAllForms();

template <class T>
T& Instance() {
    if (auto* f = FindForm(typeid(T))) return *static_cast<T*>(f);
    auto* form = new T();
    RegisterForm(typeid(T), form);
    return *form;
}

}  // namespace platform
