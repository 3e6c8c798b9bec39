// The framework's one exception: thrown only while the platform is being set
// up or when a window runs out of a fixed resource, and fatal wherever it is
// caught (a message box captioned "Exception", then exit code -1).
#pragma once

#include <windows.h>

#include <cstdint>

namespace wendaldui {

class dui_exception {
public:
    // file may be a full path: only the part after its last separator is kept.
    dui_exception(uint32_t result, uint32_t line, const char* expression, const char* file,
                  const char* function);
    virtual ~dui_exception() = default;

    // "file(line):function:expression Failure with result of 0x%08X", cut to
    // 255 characters, in one process-wide buffer.
    virtual const char* what() const;

    uint32_t Result() const { return m_result; }

private:
    uint32_t m_result;
    uint32_t m_line;
    const char* m_expression;
    const char* m_file;
    const char* m_function;
};

// Shows what() to the user, owned by the given window (or none). Tests replace
// it so that no box waits for a click under a headless display.
typedef void (*ExceptionReporter)(HWND owner, const char* text);
ExceptionReporter SetExceptionReporter(ExceptionReporter reporter);

// Reports the exception and ends the process with exit code -1.
[[noreturn]] void ReportFatalException(HWND owner, const dui_exception& e);

}  // namespace wendaldui

#define DUI_THROW(expression, result) \
    throw ::wendaldui::dui_exception((result), __LINE__, (expression), __FILE__, __func__)
