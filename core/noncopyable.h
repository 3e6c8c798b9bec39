// Base of every class that owns a handle, a thread, a lock or a block.
#pragma once

namespace wendal_ {

class noncopyable {
protected:
    noncopyable() = default;
    ~noncopyable() = default;

public:
    noncopyable(const noncopyable&) = delete;
    noncopyable& operator=(const noncopyable&) = delete;
};

}  // namespace wendal_
