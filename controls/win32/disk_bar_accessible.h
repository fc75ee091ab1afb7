// The disk bar's accessible object (MSAA): the bar is a list named after
// its disk ("Disk 1"), each segment a list item named by its label
// ("(E:\) 10.00GB NTFS", "10.00GB Unallocated") with its place on screen,
// and the focused and selected segments as the keyboard and mouse left
// them. Returned through LresultFromObject for WM_GETOBJECT with
// OBJID_CLIENT; the bar's window keeps one reference and disconnects it
// when the window goes, after which every call answers E_FAIL.
#pragma once

#include <windows.h>

#include <oleacc.h>

#include <functional>

#include "controls/core/disk_bar.h"

namespace norvale::win32 {

// What the object reads at each call.
struct AccessibleBarView {
    const DiskBarState* state = nullptr;
    int focused = -1;  // the focused segment, -1 none
    bool hasFocus = false;
};

// A COM object ends in its own Release, never through a base pointer, so the
// interfaces' lack of a virtual destructor is by design.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wnon-virtual-dtor"
class DiskBarAccessible final : public IAccessible {
public:
    DiskBarAccessible(HWND bar, std::function<AccessibleBarView()> view);
    void Disconnect();

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    // IDispatch: no type information; clients use the IAccessible methods.
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override;
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo**) override;
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT, LCID, DISPID*) override;
    HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override;
    // IAccessible
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override;
    HRESULT STDMETHODCALLTYPE get_accChildCount(long* count) override;
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** dispatch) override;
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override;
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override;
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* description) override;
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override;
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override;
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override;
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, long* topic) override;
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* shortcut) override;
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override;
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override;
    HRESULT STDMETHODCALLTYPE accSelect(long flags, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accLocation(long* left, long* top, long* width, long* height, VARIANT child) override;
    HRESULT STDMETHODCALLTYPE accNavigate(long direction, VARIANT start, VARIANT* end) override;
    HRESULT STDMETHODCALLTYPE accHitTest(long x, long y, VARIANT* child) override;
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override;
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override;
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override;

private:
    ~DiskBarAccessible() = default;
    // The child a VARIANT names: 0 the bar itself, 1.. a segment; -1 when
    // it names none (or the bar is gone).
    long ChildOf(const VARIANT& child, const AccessibleBarView& view) const;
    std::vector<Rect> SegmentRects(const AccessibleBarView& view) const;

    LONG references_ = 1;
    HWND bar_;
    std::function<AccessibleBarView()> view_;
};
#pragma GCC diagnostic pop

}  // namespace norvale::win32
