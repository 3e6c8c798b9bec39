// Member-function delegates: how controls reach their handler objects.
#include <gtest/gtest.h>

#include "WendalDui/Utils/Delegate.h"
#include "WendalDui/Utils/EventData.h"

namespace {

using wendaldui::EventData;

struct Handler {
    bool* destroyed;
    ~Handler() { *destroyed = true; }
    void OnEvent(EventData& e) { e.p2 = e.p1 * 2; }  // handlers answer through the record
    int Add(int a, int b) { return a + b; }
};

TEST(Delegate, CallsTheMemberOnItsTargetAndLeavesTheTargetAlone) {
    bool destroyed = false;
    Handler handler{&destroyed};
    wendal_::IDelegate<void, EventData&>* onEvent =
        new wendal_::CMethodDelegate<Handler, void, EventData&>(&handler, &Handler::OnEvent);
    wendal_::IDelegate<int, int, int>* add = new wendal_::CMethodDelegate<Handler, int, int, int>(&handler, &Handler::Add);
    EventData e;
    e.p1 = 21;
    onEvent->Invoke(e);
    EXPECT_EQ(42u, e.p2) << "the record is passed by reference, not copied";
    EXPECT_EQ(5, add->Invoke(2, 3));
    delete onEvent;
    delete add;
    EXPECT_FALSE(destroyed);
}

}  // namespace
