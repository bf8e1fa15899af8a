#include "app/CTorvaskView.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QOpenGLContext>
#include <QOpenGLFunctions>
#include <QWidget>

#include "gl/GlDevice.h"

namespace torvask {

CTorvaskView::CTorvaskView() {
    setSurfaceType(QWindow::OpenGLSurface);
    // The device draws on this window's context, so the window asks for exactly its format.
    setFormat(GlDevice::requiredFormat());
    setTitle(QStringLiteral("Torvask"));
    keyboard_.setFocusSource([this] { return hasKeyboardFocus(); });
}

CTorvaskView::~CTorvaskView() = default;

bool CTorvaskView::createContext() {
    if (context_) return true;
    if (contextTried_) return false;
    contextTried_ = true;
    auto context = std::make_unique<QOpenGLContext>();
    context->setFormat(requestedFormat());
    if (!context->create()) return false;
    const QSurfaceFormat got = context->format();
    if (got.majorVersion() < 3 || (got.majorVersion() == 3 && got.minorVersion() < 3)) return false;
    context_ = std::move(context);
    return true;
}

bool CTorvaskView::hasKeyboardFocus() const {
    return QGuiApplication::focusWindow() == this;
}

QWidget* CTorvaskView::createContainer(QWidget* parent) {
    QWidget* container = QWidget::createWindowContainer(this, parent);
    container->setObjectName(QStringLiteral("viewContainer"));
    container->setFocusPolicy(Qt::StrongFocus);
    container->setMinimumSize(320, 240);
    container_ = container;
    return container;
}

void CTorvaskView::takeKeyboardFocus() {
    if (container_) {
        container_->activateWindow();
        container_->setFocus(Qt::OtherFocusReason);
    }
    requestActivate();
}

void CTorvaskView::resizeEvent(QResizeEvent* event) {
    QWindow::resizeEvent(event);
    if (resized_) resized_(width(), height());
}

void CTorvaskView::keyPressEvent(QKeyEvent* event) {
    keyboard_.keyPressed(*event);
    event->accept();
}

void CTorvaskView::keyReleaseEvent(QKeyEvent* event) {
    keyboard_.keyReleased(*event);
    event->accept();
}

void CTorvaskView::focusOutEvent(QFocusEvent* event) {
    // Keys released while another window had focus never reach us: forget them all.
    keyboard_.focusLost();
    QWindow::focusOutEvent(event);
}

void CTorvaskView::exposeEvent(QExposeEvent*) {
    if (!isExposed()) return;
    if (sceneActive_ && sceneActive_()) return;
    paintEmpty();
}

void CTorvaskView::paintEmpty() {
    if (!createContext()) return;
    if (!context_->makeCurrent(this)) return;
    QOpenGLFunctions* gl = context_->functions();
    gl->glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    gl->glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    context_->swapBuffers(this);
    context_->doneCurrent();
}

}  // namespace torvask
