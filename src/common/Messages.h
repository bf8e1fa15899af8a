#pragma once
// The program's two message paths: formatMessage (shown to the user and waited for)
// and appendStatus (added to the one status text the frame draws).
#include <functional>
#include <string>

namespace torvask {

// Both buffers are 2048 bytes: longer text is cut at 2047 characters.
inline constexpr int kMessageBufferSize = 2048;

// Receives each formatted message. The app shows a modal box, tests record, tools print.
using MessageSink = std::function<void(const std::string&)>;

// Replaces the sink; an empty sink restores the default (standard error). Returns the old one.
MessageSink setMessageSink(MessageSink sink);

// Formats printf-style and hands the text to the sink; the caller waits until the sink returns.
void formatMessage(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Formats printf-style and appends to statusText. Main thread only.
void appendStatus(const char* format, ...) __attribute__((format(printf, 1, 2)));

// The application-wide status text, restarted every frame with the mode line.
std::string& statusText();

// printf-style formatting into a 2048-byte buffer, cut at 2047 characters.
std::string formatBuffer(const char* format, ...) __attribute__((format(printf, 1, 2)));

}  // namespace torvask
