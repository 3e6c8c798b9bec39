// A kernel handle closed when its owner goes; null and INVALID_HANDLE_VALUE
// both mean "none", since CreateFile and the other calls differ in which
// one they return on failure.
#pragma once

#include <windows.h>

#include "core/noncopyable.h"

class ScopedHandle : private wendal_::noncopyable {
public:
    explicit ScopedHandle(HANDLE handle = nullptr) : m_handle(handle) {}
    ~ScopedHandle() { Close(); }

    bool IsValid() const { return m_handle != nullptr && m_handle != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return m_handle; }
    void Close() {
        if (IsValid()) CloseHandle(m_handle);
        m_handle = nullptr;
    }

private:
    HANDLE m_handle;
};
