// The screen's DPI, read once before the entry point runs. Every UI size is
// given in logical pixels (96 per inch) and multiplied by the factor.
#pragma once

namespace wendaldui {

extern int g_screenDpi;     // LOGPIXELSX of the screen
extern float g_dpiFactor;   // g_screenDpi / 96

// A size in logical pixels on this screen, truncated toward zero.
inline int DpiScale(float logical) { return static_cast<int>(logical * g_dpiFactor); }

}  // namespace wendaldui
