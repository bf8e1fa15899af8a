#pragma once
// Shows every formatMessage text in a modal box titled "Torvask" with an OK button. The
// caller waits until the box is closed; a caller on another thread (training) has the box
// shown by the GUI thread and waits for it there.
#include <functional>

#include "common/Messages.h"

class QWidget;

namespace torvask {

// Installs the sink for the lifetime of the object and restores the previous one afterwards.
class MessageBoxSink {
public:
    // parentSource: the window the boxes belong to (may return nullptr).
    explicit MessageBoxSink(std::function<QWidget*()> parentSource = {});
    ~MessageBoxSink();
    MessageBoxSink(const MessageBoxSink&) = delete;
    MessageBoxSink& operator=(const MessageBoxSink&) = delete;

private:
    MessageSink previous_;
};

// Shows text in the "Torvask" box and waits until it is closed; from any thread.
void showMessageBox(const std::string& text, QWidget* parent);

}  // namespace torvask
