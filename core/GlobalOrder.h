// The launcher's process-wide objects are built before the entry point in
// this order and destroyed in the reverse order at exit. GCC's init
// priorities (lower first) fix the order across source files and
// libraries; objects of the default priority are built after all of these.
#pragma once

#define QUORVEL_GLOBAL_ORDER(place) __attribute__((init_priority(place)))

enum GlobalOrder {
    kOrderScreenDpi = 1010,         // the screen's DPI and the factor; UI sizes follow it
    kOrderJavaRuntimes = 1020,      // the Java runtime list, empty, none chosen
    kOrderUnpack200Path = 1030,     // the unpack200 path and its lock
    kOrderVersionList = 1040,       // the installed-version list
    kOrderMachineKey = 1045,        // the key the account store encrypts with
    kOrderAccountStore = 1050,      // the account store
    kOrderEventBus = 1060,          // the event bus
    kOrderInstanceManager = 1070,   // the running-game monitor
    kOrderSettings = 1080,          // the settings, whose save filter reads the version list
};
