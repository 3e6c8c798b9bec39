// The last failure of a manager, as a text the caller shows.
#pragma once

#include "core/WString.h"

namespace trelm {
namespace launcher {

class ErrorMsg {
public:
    const WString& GetErrorMsg() const { return m_errorMsg; }

protected:
    // Formats the message and returns false, so a failing operation can end
    // with "return Fail(...)".
    bool Fail(const wchar_t* format, ...);
    void SetErrorMsg(const WString& text) { m_errorMsg = text; }

    WString m_errorMsg;
};

// For functions that report failures through an out text: formats it
// (when message is not null) and returns false.
bool Fail(WString* message, const wchar_t* format, ...);

}  // namespace launcher
}  // namespace trelm
