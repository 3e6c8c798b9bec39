#include "launcher/ErrorMsg.h"

#include <cstdarg>

namespace trelm {
namespace launcher {

bool ErrorMsg::Fail(const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    m_errorMsg.FormatV(format, args);
    va_end(args);
    return false;
}

bool Fail(WString* message, const wchar_t* format, ...) {
    if (message) {
        va_list args;
        va_start(args, format);
        message->FormatV(format, args);
        va_end(args);
    }
    return false;
}

}  // namespace launcher
}  // namespace trelm
