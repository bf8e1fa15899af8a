#include "common/Messages.h"

#include <cstdarg>
#include <cstdio>
#include <utility>

namespace torvask {
namespace {

MessageSink& sinkSlot() {
    static MessageSink sink;
    return sink;
}

std::string vformatBuffer(const char* format, va_list args) {
    char buffer[kMessageBufferSize];
    const int n = std::vsnprintf(buffer, sizeof buffer, format, args);
    if (n < 0) return std::string();
    return std::string(buffer);
}

}  // namespace

MessageSink setMessageSink(MessageSink sink) {
    return std::exchange(sinkSlot(), std::move(sink));
}

std::string formatBuffer(const char* format, ...) {
    va_list args;
    va_start(args, format);
    std::string text = vformatBuffer(format, args);
    va_end(args);
    return text;
}

void formatMessage(const char* format, ...) {
    va_list args;
    va_start(args, format);
    const std::string text = vformatBuffer(format, args);
    va_end(args);
    if (const MessageSink& sink = sinkSlot()) {
        sink(text);
    } else {
        std::fprintf(stderr, "%s\n", text.c_str());
    }
}

std::string& statusText() {
    static std::string text;
    return text;
}

void appendStatus(const char* format, ...) {
    va_list args;
    va_start(args, format);
    statusText() += vformatBuffer(format, args);
    va_end(args);
}

}  // namespace torvask
