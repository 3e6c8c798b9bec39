// The key that binds stored passwords to this machine and this Windows user:
// SHA-256 of the volume serial of C:\, the computer name and the user name.
// A copied account file yields no usable password elsewhere. The key and
// its source text live in memory only.
#pragma once

#include <cstdint>

#include "core/WString.h"

struct MachineKey {
    WString machineId;  // serial ("%u") + computer name + user name, no separators
    uint8_t key[32] = {};
    bool ready = false;
};

extern MachineKey g_machineKey;

// Reads the three machine values and derives the key; false (and no key)
// when one of them cannot be read.
bool InitMachineKey();
// Derives the key from a given machine-id text (start-up passes the one
// read from the system; tests pass their own).
bool InitMachineKeyFromId(const wchar_t* machineId);

// Base64 of the AES-256-CFB cipher text of machine-id + text in the ANSI code
// page. The IV is fixed at zero so that files already written keep reading.
// Without a key out is left unchanged and the result is false.
bool EncryptWithMachineKey(const wchar_t* text, WString& out);
// The plain text of a stored password; false, out unchanged, without a key
// or when the text was made with another key.
bool DecryptWithMachineKey(const wchar_t* stored, WString& out);
