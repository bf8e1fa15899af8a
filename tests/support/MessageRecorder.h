#pragma once
// Captures formatMessage output for the lifetime of the recorder.
#include <string>
#include <vector>

#include "common/Messages.h"

namespace torvask::testing {

class MessageRecorder {
public:
    MessageRecorder() {
        previous_ = setMessageSink([this](const std::string& text) { messages.push_back(text); });
    }
    ~MessageRecorder() { setMessageSink(previous_); }
    MessageRecorder(const MessageRecorder&) = delete;
    MessageRecorder& operator=(const MessageRecorder&) = delete;

    std::vector<std::string> messages;

private:
    MessageSink previous_;
};

}  // namespace torvask::testing
