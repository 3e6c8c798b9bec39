// A control that owns child controls, keeps them in z-order and indexed by id
// and by pointer, and routes input, focus and paint to them.
#pragma once

#include <boost/multi_index/hashed_index.hpp>
#include <boost/multi_index/member.hpp>
#include <boost/multi_index/sequenced_index.hpp>
#include <boost/multi_index_container.hpp>

#include <functional>

#include "WendalDui/Control/UIControl.h"

namespace wendaldui {

class CUIContainer : public CUIControl {
public:
    CUIContainer() = default;
    ~CUIContainer() override;

    CUIControl* GetNextControl(bool backward) override;
    CUIControl* GetLastDescendant() override;
    CUIControl* GetFocusedControl() override;
    void OnDestroy() override;
    void OnLButtonDown(WPARAM keys, int x, int y) override;
    void OnLButtonDblClk(WPARAM keys, int x, int y) override;
    void OnLButtonUp(WPARAM keys, int x, int y) override;
    void OnMButtonDown(WPARAM keys, int x, int y) override;
    void OnMButtonUp(WPARAM keys, int x, int y) override;
    void OnRButtonDown(WPARAM keys, int x, int y) override;
    void OnRButtonUp(WPARAM keys, int x, int y) override;
    void OnMouseMove(WPARAM keys, int x, int y) override;
    void OnMouseHover(WPARAM keys, int x, int y) override;
    void OnMouseWheel(WPARAM keys, int delta, int x, int y) override;
    void OnMouseLeave() override;
    void OnChar(WPARAM ch, UINT repeat, LPARAM keyFlags) override;
    void OnKeyDown(WPARAM vk, UINT repeat, LPARAM keyFlags) override;
    void OnKeyUp(WPARAM vk, UINT repeat, LPARAM keyFlags) override;
    bool OnSysKeyDown(WPARAM vk, UINT repeat, LPARAM keyFlags) override;
    bool OnSysKeyUp(WPARAM vk, UINT repeat, LPARAM keyFlags) override;
    void OnPaint(PaintContext& context) override;
    void OnMove(int reason, int x, int y) override;
    void OnKillFocus() override;
    void OnEnable(bool enabled) override;
    void OnShow(bool visible) override;
    int HitTest(int x, int y, CUIControl*& out) override;
    bool OnSetCursor() override;
    void OnSkinChanged(uint32_t bits) override;

    CUIControl* GetChild(int id) const;
    size_t GetChildCount() const { return m_children.size(); }
    // Looks the pointer up without touching it: safe for a deleted control.
    bool HasChild(const CUIControl* child) const {
        return m_children.get<ByPointer>().count(const_cast<CUIControl*>(child)) != 0;
    }
    // The topmost child that takes the mouse at pt; pt becomes its coordinates.
    CUIControl* ChildFromPoint(POINT& pt) const;
    // Next or previous child in z-order; null at the end or for a stranger.
    CUIControl* GetSibling(const CUIControl* child, bool backward) const;
    // Gives the focus to child (null clears it); the old child is told first.
    void SetFocusedChild(CUIControl* child, int reason);
    bool BringChildToFront(CUIControl* child);
    // Clears every reference to the child and deletes it.
    bool RemoveChild(CUIControl* child);

    CUIControl* GetFocusedChild() const { return m_focused; }
    int GetFocusReason() const { return m_focusReason; }
    CUIControl* GetHotChild() const { return m_hot; }
    CUIControl* GetCaptureChild() const { return m_capture; }

    // Whether the focus path reaches this container.
    bool HoldsFocus() const;

private:
    friend class CUIControl;  // Create appends, the Tab walk reads the order
    struct Child {
        CUIControl* control;
        int id;
    };
    struct ById {};
    struct ByPointer {};
    typedef boost::multi_index_container<
        Child, boost::multi_index::indexed_by<
                   boost::multi_index::sequenced<>,
                   boost::multi_index::hashed_unique<boost::multi_index::tag<ById>,
                                                     boost::multi_index::member<Child, int, &Child::id>>,
                   boost::multi_index::hashed_unique<boost::multi_index::tag<ByPointer>,
                                                     boost::multi_index::member<Child, CUIControl*, &Child::control>>>>
        Children;

    bool AppendChild(CUIControl* child, int id);
    CUIControl* FirstChild() const { return m_children.empty() ? nullptr : m_children.front().control; }
    // Forwards a mouse message to the child at the point, in its coordinates.
    void ToChildAt(void (CUIControl::*slot)(WPARAM, int, int), WPARAM keys, int x, int y);
    void ForEachChild(const std::function<void(CUIControl*)>& fn);
    void PassStateToChildren(bool enabled, bool visible);

    Children m_children;
    CUIControl* m_hot = nullptr;
    CUIControl* m_capture = nullptr;
    CUIControl* m_focused = nullptr;
    int m_focusReason = kFocusByProgram;
};

}  // namespace wendaldui
