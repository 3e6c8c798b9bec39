// The launcher's own pictures: the window icon (the player's choice from the
// icon folder, else the built-in one) and a few pictures compiled into the
// executable. One instance per run, reachable while it lives.
#pragma once

#include <windows.h>

#include "core/noncopyable.h"

namespace Gdiplus {
class Bitmap;
}

namespace trelm {
namespace ui {

enum ResourcePicture { kPictureServerIcon = 0, kPictureUpdate = 1, kPictureGame = 2 };

class CTrelmResourceManager : private wendal_::noncopyable {
public:
    CTrelmResourceManager();
    virtual ~CTrelmResourceManager();

    static CTrelmResourceManager* GetInstance();

    // The built-in icon, then a random picture of iconFolder (by default
    // "quorvel_launcher\icon\" under the working directory) as the chosen one.
    void LoadWindowIcon(const wchar_t* iconFolder = nullptr);
    HICON GetWindowIcon() const { return m_chosenIcon ? m_chosenIcon : m_defaultIcon; }
    HICON GetDefaultIcon() const { return m_defaultIcon; }
    // Gives a window the window icon, big and small; nothing while no instance lives.
    static void ApplyWindowIcon(HWND window);

    // A new picture the caller owns: the server icon as stored, the update
    // picture or the game picture at 48 x 48 logical pixels; null otherwise.
    static Gdiplus::Bitmap* GetResourcePicture(int kind);

private:
    HICON m_defaultIcon = NULL;
    HICON m_chosenIcon = NULL;
};

}  // namespace ui
}  // namespace trelm
