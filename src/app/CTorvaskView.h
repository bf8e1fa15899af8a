#pragma once
// The 3-D view: a native window with its own OpenGL 3.3 core context (depth buffer
// included) that the graphics device presents into, placed in the main window through a
// window container. It turns key events into the keyboard snapshot and clears it when focus
// goes elsewhere.
#include <QWindow>
#include <functional>
#include <memory>

#include "app/KeyboardSnapshot.h"

class QOpenGLContext;

namespace torvask {

class CTorvaskView : public QWindow {
    Q_OBJECT

public:
    CTorvaskView();
    ~CTorvaskView() override;

    // Creates the context (once). False when no OpenGL 3.3 core context can be had.
    bool createContext();
    QOpenGLContext* context() const { return context_.get(); }

    KeyboardSnapshot& keyboard() { return keyboard_; }
    bool hasKeyboardFocus() const;

    // Draws the empty view (no running simulation) when the window is exposed. The hook
    // tells whether the simulation draws by itself.
    void setSceneActiveSource(std::function<bool()> active) { sceneActive_ = std::move(active); }

    // The container that puts this window into a widget layout; it takes focus for the view.
    QWidget* createContainer(QWidget* parent);
    // Gives the view the keyboard focus (through its container, as a click would).
    void takeKeyboardFocus();

    // Told the view's size in device-independent pixels whenever it changes.
    void setResizeHandler(std::function<void(int width, int height)> handler) { resized_ = std::move(handler); }

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void keyReleaseEvent(QKeyEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void exposeEvent(QExposeEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void paintEmpty();

    std::unique_ptr<QOpenGLContext> context_;
    bool contextTried_ = false;
    KeyboardSnapshot keyboard_;
    std::function<bool()> sceneActive_;
    std::function<void(int, int)> resized_;
    QWidget* container_ = nullptr;
};

}  // namespace torvask
