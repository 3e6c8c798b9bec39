#include "core/SimpleEventBus.h"

#include <algorithm>

#include "core/GlobalOrder.h"

namespace wendal_ {

// Counts nested deliveries and, when the outermost one ends (also by an
// exception from a subscriber), deletes what was unsubscribed meanwhile.
class CSimpleEventBus::DeliveryScope {
public:
    explicit DeliveryScope(CSimpleEventBus& bus) : m_bus(bus) { ++m_bus.m_deliveryDepth; }
    ~DeliveryScope() {
        if (--m_bus.m_deliveryDepth > 0) return;
        std::vector<Subscriber*> doomed;
        doomed.swap(m_bus.m_unsubscribedDuringDelivery);
        for (Subscriber* delegate : doomed) delete delegate;
    }
    DeliveryScope(const DeliveryScope&) = delete;
    DeliveryScope& operator=(const DeliveryScope&) = delete;

private:
    CSimpleEventBus& m_bus;
};

CSimpleEventBus::~CSimpleEventBus() {
    for (auto& entry : m_subscribers) {
        for (Subscriber* delegate : *entry.second) delete delegate;
    }
    for (Subscriber* delegate : m_unsubscribedDuringDelivery) delete delegate;
}

bool CSimpleEventBus::IsSubscribed(Subscriber* delegate) const {
    for (const auto& entry : m_subscribers) {
        if (entry.second->count(delegate)) return true;
    }
    return false;
}

CSimpleEventBus::Subscriber* CSimpleEventBus::Subscribe(unsigned eventId, Subscriber* delegate) {
    if (!delegate) return nullptr;
    // Deleting a delegate that a set still holds would leave the set pointing
    // at freed memory, so a repeated subscription is refused and nothing more.
    if (IsSubscribed(delegate)) return nullptr;
    // Unsubscribed during this delivery: it is about to be deleted.
    if (std::find(m_unsubscribedDuringDelivery.begin(), m_unsubscribedDuringDelivery.end(), delegate) !=
        m_unsubscribedDuringDelivery.end())
        return nullptr;
    std::unique_ptr<std::set<Subscriber*>>& subscribers = m_subscribers[eventId];
    if (!subscribers) subscribers.reset(new std::set<Subscriber*>());
    subscribers->insert(delegate);
    return delegate;
}

bool CSimpleEventBus::Unsubscribe(unsigned eventId, Subscriber* handle) {
    auto found = m_subscribers.find(eventId);
    if (found == m_subscribers.end() || !found->second->erase(handle)) return false;
    // A Publish further up the stack may still hold the pointer in its
    // snapshot; deleting it now could also let a new delegate reuse the
    // address and be mistaken for the old one.
    if (m_deliveryDepth > 0) {
        m_unsubscribedDuringDelivery.push_back(handle);
    } else {
        delete handle;
    }
    return true;
}

void CSimpleEventBus::Publish(unsigned eventId, int value) {
    auto found = m_subscribers.find(eventId);
    if (found == m_subscribers.end()) return;
    const std::set<Subscriber*>& subscribers = *found->second;
    // The set may change under the loop; iterate a copy and check each entry
    // is still subscribed before calling it. The set itself is never freed
    // before the bus, so the reference stays valid.
    const std::vector<Subscriber*> snapshot(subscribers.begin(), subscribers.end());
    DeliveryScope scope(*this);
    for (Subscriber* delegate : snapshot) {
        if (subscribers.count(delegate)) delegate->Invoke(eventId, value, 0);
    }
}

namespace {

// Built in its place among the process-wide objects (core/GlobalOrder.h).
CSimpleEventBus g_eventBus QUORVEL_GLOBAL_ORDER(kOrderEventBus);

}  // namespace

CSimpleEventBus& GetEventBus() { return g_eventBus; }

}  // namespace wendal_
