// The process-wide bus on which windows tell each other that the installed
// versions, or a version's own settings, changed. UI thread only: no lock.
#pragma once

#include <memory>
#include <set>
#include <unordered_map>
#include <vector>

#include "WendalDui/Utils/Delegate.h"
#include "core/noncopyable.h"

namespace wendal_ {

// The installed-version list was refreshed; value 0.
constexpr unsigned kEventVersionListRefreshed = 1;
// A version's display name changed; value = its index in the version list.
constexpr unsigned kEventVersionNameChanged = 2;
// A version's hidden flag changed; value = its index in the version list.
constexpr unsigned kEventVersionHiddenChanged = 3;

class CSimpleEventBus : private noncopyable {
public:
    // Called with (event id, value, 0).
    typedef IDelegate<void, unsigned, int, int> Subscriber;

    CSimpleEventBus() = default;
    virtual ~CSimpleEventBus();

    // Takes ownership of the delegate and returns it as the handle. A
    // delegate that is already subscribed (to any id) is refused with null
    // and stays subscribed where it was; a null delegate gives null.
    Subscriber* Subscribe(unsigned eventId, Subscriber* delegate);
    // Removes and deletes the delegate; false, nothing deleted, when it is not
    // subscribed to this id.
    bool Unsubscribe(unsigned eventId, Subscriber* handle);
    // Calls the id's subscribers in ascending address order, synchronously.
    // A subscriber may subscribe, unsubscribe or publish meanwhile: delivery
    // goes to those subscribed when Publish began that are still subscribed
    // when their turn comes, and delegates unsubscribed meanwhile are deleted
    // only once the outermost Publish returns.
    void Publish(unsigned eventId, int value);

private:
    class DeliveryScope;

    bool IsSubscribed(Subscriber* delegate) const;

    std::unordered_map<unsigned, std::unique_ptr<std::set<Subscriber*>>> m_subscribers;
    int m_deliveryDepth = 0;
    std::vector<Subscriber*> m_unsubscribedDuringDelivery;
};

// The one bus of the process, built before the entry point in its place
// among the process-wide objects (core/GlobalOrder.h), destroyed at exit.
CSimpleEventBus& GetEventBus();

}  // namespace wendal_
