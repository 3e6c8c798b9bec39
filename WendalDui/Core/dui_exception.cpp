#include "WendalDui/Core/dui_exception.h"

#include <cstdio>

namespace wendaldui {

namespace {

char g_whatBuffer[256];

void ShowExceptionBox(HWND owner, const char* text) {
    MessageBoxA(owner, text, "Exception", MB_OK);
}

ExceptionReporter g_reporter = ShowExceptionBox;

const char* FileNameOf(const char* path) {
    if (!path) return "";
    const char* name = path;
    for (const char* p = path; *p; ++p) {
        // Cross-compiled sources name their path with forward slashes.
        if (*p == '\\' || *p == '/') name = p + 1;
    }
    return name;
}

}  // namespace

dui_exception::dui_exception(uint32_t result, uint32_t line, const char* expression, const char* file,
                             const char* function)
    : m_result(result),
      m_line(line),
      m_expression(expression ? expression : ""),
      m_file(FileNameOf(file)),
      m_function(function ? function : "") {}

const char* dui_exception::what() const {
    snprintf(g_whatBuffer, sizeof g_whatBuffer, "%s(%u):%s:%s Failure with result of 0x%08X", m_file,
             static_cast<unsigned>(m_line), m_function, m_expression, static_cast<unsigned>(m_result));
    return g_whatBuffer;
}

ExceptionReporter SetExceptionReporter(ExceptionReporter reporter) {
    ExceptionReporter old = g_reporter;
    g_reporter = reporter ? reporter : ShowExceptionBox;
    return old;
}

void ReportFatalException(HWND owner, const dui_exception& e) {
    g_reporter(owner, e.what());
    TerminateProcess(GetCurrentProcess(), static_cast<UINT>(-1));
    for (;;) {
    }
}

}  // namespace wendaldui
