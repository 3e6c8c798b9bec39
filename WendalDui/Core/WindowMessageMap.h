// Static message maps: each window class lists the messages it handles and
// chains to its base class's list.
#pragma once

#include <windows.h>

namespace wendaldui {

class CWindowBase;

// Kind 1: handler(wParam, lParam) gives the result; kind 2: handler(0, 0),
// result 0; kind 3: a handler without arguments, result 0; 0 ends the table.
typedef LRESULT (CWindowBase::*MessageHandler)(WPARAM, LPARAM);
typedef void (CWindowBase::*PlainMessageHandler)();

struct MessageMapEntry {
    UINT message;
    UINT code;     // WM_COMMAND: the notification code
    UINT firstId;  // WM_COMMAND: the control id range
    UINT lastId;
    int kind;
    MessageHandler handler;
};

struct MessageMap {
    const MessageMap* (*getBaseMap)();  // null at the root of the chain
    const MessageMapEntry* entries;
};

}  // namespace wendaldui

#define DUI_DECLARE_MESSAGE_MAP()                                  \
public:                                                            \
    static const ::wendaldui::MessageMap* GetThisMessageMap();     \
    const ::wendaldui::MessageMap* GetMessageMap() const override;

#define DUI_BEGIN_MESSAGE_MAP(theClass, baseClass)                                                  \
    const ::wendaldui::MessageMap* theClass::GetMessageMap() const { return GetThisMessageMap(); } \
    const ::wendaldui::MessageMap* theClass::GetThisMessageMap() {                                 \
        typedef theClass ThisClass;                                                                \
        typedef baseClass BaseClass;                                                               \
        static const ::wendaldui::MessageMapEntry entries[] = {
#define DUI_MESSAGE_HANDLER(message, handler) \
    {(message), 0, 0, 0, 1, static_cast<::wendaldui::MessageHandler>(&ThisClass::handler)},
#define DUI_COMMAND_RANGE_HANDLER(code, firstId, lastId, handler) \
    {WM_COMMAND, (code), (firstId), (lastId), 1, static_cast<::wendaldui::MessageHandler>(&ThisClass::handler)},
#define DUI_END_MESSAGE_MAP()                                                \
    {0, 0, 0, 0, 0, nullptr}                                                 \
    }                                                                        \
    ;                                                                        \
    static const ::wendaldui::MessageMap map = {&BaseClass::GetThisMessageMap, entries}; \
    return &map;                                                             \
    }
