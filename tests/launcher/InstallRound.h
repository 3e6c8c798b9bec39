// One round of installs for the install kill tests, run both in the test
// and in launcher_install_child, which the tests end at any moment: a Forge
// version that inherits nothing (its library and a jar of its own), OptiFine
// as a version over it ("solo-OptiFine_HD_U_E7"), and LiteLoader as a mod.
#pragma once

#include <string>

#include "core/byte_buffer.h"

namespace testing_support {

// The whole file; false when it cannot be read.
bool ReadWholeFile(const std::wstring& path, std::string* bytes);

struct InstallInputs {
    wendal_::byte_buffer forge, optifine, liteloader;

    // installer.jar, optifine.jar and liteloader.jar of the folder (with its final "\").
    bool Load(const std::wstring& folder);
};

// False with the failing installer's message.
bool RunInstallRound(const std::wstring& root, const InstallInputs& inputs, std::wstring* message);

}  // namespace testing_support
