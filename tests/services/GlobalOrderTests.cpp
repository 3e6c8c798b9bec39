// The launcher's process-wide objects are built before the entry point in
// one fixed order. Probes built between them record which ones exist yet:
// static storage is all zero bytes until its object has been constructed.
#include <gtest/gtest.h>

#include <cstddef>

#include "core/GlobalOrder.h"
#include "core/SimpleEventBus.h"
#include "launcher/JavaRuntimeList.h"
#include "launcher/MinecraftInstanceManager.h"
#include "launcher/MinecraftList.h"
#include "launcher/Unpack200.h"
#include "services/AccountStore.h"
#include "services/LauncherSettings.h"
#include "services/MachineKey.h"

namespace {

struct Storage {
    const char* name;
    const void* address;
    size_t size;
};

template <typename T>
Storage Of(const char* name, const T& object) {
    return {name, &object, sizeof object};
}

// In the order they must be built; looked up by the probes, before any
// table of the test itself could have been built.
Storage Objects(int index) {
    const Storage objects[] = {
        Of("Java runtime list", trelm::launcher::g_javaRuntimes),
        Of("unpack200 path", trelm::launcher::g_unpack200Path),
        Of("installed-version list", trelm::launcher::g_minecraftList), Of("machine key", g_machineKey),
        Of("account store", g_accountStore), Of("event bus", wendal_::GetEventBus()),
        Of("running-game monitor", trelm::launcher::g_instanceManager), Of("settings", g_settings),
    };
    return objects[index];
}
const int kObjects = 8;

bool Built(const Storage& storage) {
    const unsigned char* bytes = static_cast<const unsigned char*>(storage.address);
    for (size_t i = 0; i < storage.size; ++i)
        if (bytes[i] != 0) return true;
    return false;
}

// seen[p][o]: object o existed when probe p was built.
bool g_seen[kObjects + 1][kObjects];

struct Probe {
    explicit Probe(int index) {
        for (int o = 0; o < kObjects; ++o) g_seen[index][o] = Built(Objects(o));
    }
};

// One probe right before each object and one after the last. (The DPI
// values come first of all, but they start as constants, so their reading
// cannot be seen this way.)
Probe g_beforeJavaRuntimes QUORVEL_GLOBAL_ORDER(kOrderJavaRuntimes - 1)(0);
Probe g_beforeUnpack200Path QUORVEL_GLOBAL_ORDER(kOrderUnpack200Path - 1)(1);
Probe g_beforeVersionList QUORVEL_GLOBAL_ORDER(kOrderVersionList - 1)(2);
Probe g_beforeMachineKey QUORVEL_GLOBAL_ORDER(kOrderMachineKey - 1)(3);
Probe g_beforeAccountStore QUORVEL_GLOBAL_ORDER(kOrderAccountStore - 1)(4);
Probe g_beforeEventBus QUORVEL_GLOBAL_ORDER(kOrderEventBus - 1)(5);
Probe g_beforeInstanceManager QUORVEL_GLOBAL_ORDER(kOrderInstanceManager - 1)(6);
Probe g_beforeSettings QUORVEL_GLOBAL_ORDER(kOrderSettings - 1)(7);
Probe g_afterSettings QUORVEL_GLOBAL_ORDER(kOrderSettings + 1)(8);

TEST(GlobalOrder, EachProcessWideObjectIsBuiltInItsPlace) {
    for (int p = 0; p <= kObjects; ++p) {
        for (int o = 0; o < kObjects; ++o)
            EXPECT_EQ(o < p, g_seen[p][o]) << Objects(o).name << (o < p ? " missing" : " already built")
                                           << " at probe " << p;
    }
}

}  // namespace
