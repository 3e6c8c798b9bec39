// The event bus: ownership of the delegates, and what a subscriber may do to
// the bus while it is being called.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <stdexcept>
#include <vector>

#include "core/SimpleEventBus.h"

namespace {

using wendal_::CSimpleEventBus;

struct Log {
    std::vector<std::string> calls;  // "name:id:value:unused"
    std::vector<int> called, deleted;
};

// Logs its calls and its deletion; may act on the bus from inside Invoke.
class Probe : public CSimpleEventBus::Subscriber {
public:
    explicit Probe(Log* log) : m_log(log) {}
    ~Probe() override { m_log->deleted.push_back(name); }
    void Invoke(unsigned id, int value, int unused) override {
        m_log->calls.push_back(std::to_string(name) + ":" + std::to_string(id) + ":" + std::to_string(value) + ":" +
                               std::to_string(unused));
        m_log->called.push_back(name);
        if (action) action();
    }
    int name = -1;
    std::function<void()> action;

private:
    Log* m_log;
};

class EventBus : public testing::Test {
protected:
    // Named 0..count-1 in ascending address order, the order of delivery.
    std::vector<Probe*> MakeProbes(int count) {
        std::vector<Probe*> probes;
        for (int i = 0; i < count; ++i) probes.push_back(new Probe(&log));
        std::sort(probes.begin(), probes.end());
        for (int i = 0; i < count; ++i) probes[i]->name = i;
        return probes;
    }
    std::vector<int> Deleted() {
        std::sort(log.deleted.begin(), log.deleted.end());
        return log.deleted;
    }

    Log log;
    std::vector<std::string>& calls = log.calls;
    std::vector<int>& deleted = log.deleted;
    std::unique_ptr<CSimpleEventBus> bus{new CSimpleEventBus};
};

using Names = std::vector<int>;
using Calls = std::vector<std::string>;

TEST_F(EventBus, PublishReachesTheIdsSubscribersInAddressOrder) {
    bus->Publish(wendal_::kEventVersionListRefreshed, 0);  // nobody listens: nothing happens
    std::vector<Probe*> p = MakeProbes(3);
    EXPECT_EQ(p[2], bus->Subscribe(1, p[2]));
    EXPECT_EQ(p[0], bus->Subscribe(1, p[0]));
    EXPECT_EQ(p[1], bus->Subscribe(2, p[1]));
    bus->Publish(1, 7);
    bus->Publish(2, -3);
    bus->Publish(3, 1);
    EXPECT_EQ((Calls{"0:1:7:0", "2:1:7:0", "1:2:-3:0"}), calls);
}

TEST_F(EventBus, OwnershipOfTheDelegates) {
    std::vector<Probe*> p = MakeProbes(2);
    ASSERT_EQ(p[0], bus->Subscribe(1, p[0]));
    // Refused, and not deleted: the set still holds it. One owner per delegate,
    // or it would be deleted twice.
    EXPECT_EQ(nullptr, bus->Subscribe(1, p[0]));
    EXPECT_EQ(nullptr, bus->Subscribe(2, p[0]));
    bus->Subscribe(2, p[1]);
    bus->Publish(1, 0);
    EXPECT_EQ(Calls{"0:1:0:0"}, calls);
    EXPECT_FALSE(bus->Unsubscribe(2, p[0]));  // a handle of another id
    EXPECT_FALSE(bus->Unsubscribe(9, p[0]));  // an id without a set
    EXPECT_TRUE(deleted.empty());
    EXPECT_TRUE(bus->Unsubscribe(1, p[0]));
    EXPECT_EQ(Names{0}, deleted);
    bus->Publish(1, 0);  // the emptied set delivers to nobody
    EXPECT_EQ(1u, calls.size());
    bus.reset();
    EXPECT_EQ((Names{0, 1}), Deleted());
}

// Probes 0, 1, 2 are subscribed to id 1 and probe 1 acts on its first call.
// Each row: what it does, the calls of that Publish, the deletions after it,
// and who the next Publish reaches.
TEST_F(EventBus, SubscribersMayChangeTheBusDuringDelivery) {
    struct {
        const char* what;
        std::function<void(CSimpleEventBus&, std::vector<Probe*>&)> act;
        Names first, deletedAfter, second;
    } cases[] = {
        {"unsubscribes itself", [](CSimpleEventBus& b, std::vector<Probe*>& p) { b.Unsubscribe(1, p[1]); },
         {0, 1, 2}, {1}, {0, 2}},
        {"unsubscribes a later one: skipped",
         [](CSimpleEventBus& b, std::vector<Probe*>& p) { b.Unsubscribe(1, p[2]); }, {0, 1}, {2}, {0, 1}},
        {"unsubscribes an earlier one", [](CSimpleEventBus& b, std::vector<Probe*>& p) { b.Unsubscribe(1, p[0]); },
         {0, 1, 2}, {0}, {1, 2}},
        {"subscribes a new one: reached from the next Publish",
         [](CSimpleEventBus& b, std::vector<Probe*>& p) { b.Subscribe(1, p[3]); }, {0, 1, 2}, {}, {0, 1, 2, 3}},
        {"unsubscribes everybody",
         [](CSimpleEventBus& b, std::vector<Probe*>& p) {
             for (int i = 0; i < 3; ++i) b.Unsubscribe(1, p[i]);
         },
         {0, 1}, {0, 1, 2}, {}},
    };
    for (const auto& c : cases) {
        bus.reset(new CSimpleEventBus);
        deleted.clear();
        std::vector<Probe*> p = MakeProbes(4);
        for (int i = 0; i < 3; ++i) bus->Subscribe(1, p[i]);
        bool acted = false;
        p[1]->action = [&] {
            if (acted) return;
            acted = true;
            c.act(*bus, p);
            // The snapshot, and this very call, may still hold what was removed.
            EXPECT_TRUE(deleted.empty()) << c.what << ": nothing is deleted while delivery is under way";
        };
        log.called.clear();
        bus->Publish(1, 5);
        EXPECT_EQ(c.first, log.called) << c.what;
        EXPECT_EQ(c.deletedAfter, Deleted()) << c.what;
        log.called.clear();
        bus->Publish(1, 6);
        EXPECT_EQ(c.second, log.called) << c.what;
        if (c.second.size() < 4) delete p[3];
    }
}

TEST_F(EventBus, NestedPublishDefersDeletionToTheOutermost) {
    std::vector<Probe*> p = MakeProbes(2);
    bus->Subscribe(1, p[0]);
    bus->Subscribe(2, p[1]);
    p[0]->action = [&] { bus->Publish(2, 9); };
    p[1]->action = [&] {
        bus->Unsubscribe(2, p[1]);
        bus->Unsubscribe(1, p[0]);  // its Invoke is further up the stack
        EXPECT_TRUE(deleted.empty());
    };
    bus->Publish(1, 8);
    EXPECT_EQ((Calls{"0:1:8:0", "1:2:9:0"}), calls);
    EXPECT_EQ((Names{0, 1}), Deleted());
}

TEST_F(EventBus, AThrowingSubscriberStillEndsTheDelivery) {
    std::vector<Probe*> p = MakeProbes(2);
    for (Probe* probe : p) bus->Subscribe(1, probe);
    p[0]->action = [&] {
        bus->Unsubscribe(1, p[0]);
        throw std::runtime_error("handler failed");
    };
    EXPECT_THROW(bus->Publish(1, 0), std::runtime_error);
    EXPECT_EQ(Names{0}, deleted) << "the deferred delete ran as the exception left Publish";
    EXPECT_TRUE(bus->Unsubscribe(1, p[1]));
    EXPECT_EQ((Names{0, 1}), deleted) << "outside delivery, deletion is immediate again";
}

}  // namespace
