// The callable through which a control raises an event on its handler object,
// and through which the event bus reaches its subscribers.
#pragma once

#include <utility>

namespace wendal_ {

template <typename R, typename... Args>
class IDelegate {
public:
    virtual ~IDelegate() = default;
    virtual R Invoke(Args... args) = 0;
};

// Calls one member function of a target it does not own: the target must
// outlive the delegate (a control's handler is its parent window or dialog).
template <typename T, typename R, typename... Args>
class CMethodDelegate : public IDelegate<R, Args...> {
public:
    typedef R (T::*Method)(Args...);

    CMethodDelegate(T* target, Method method) : m_target(target), m_method(method) {}

    R Invoke(Args... args) override { return (m_target->*m_method)(std::forward<Args>(args)...); }

private:
    T* m_target;
    Method m_method;
};

}  // namespace wendal_
