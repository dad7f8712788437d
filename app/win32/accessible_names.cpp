// Dynamic Annotation of the accessible name.
#include "app/win32/accessible_names.h"

#include <objbase.h>
// The annotation's GUIDs are defined here, as oleacc.h asks: no import library holds them all.
#include <initguid.h>
#include <oleacc.h>

namespace brisel {

AccessibleNames::AccessibleNames() noexcept {
    const HRESULT joined = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    joinedCom_ = SUCCEEDED(joined);  // S_FALSE too: the thread was in it already
    result_ = CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER, IID_IAccPropServices,
                               reinterpret_cast<void**>(&services_));
    if (FAILED(result_))
        services_ = nullptr;
}

AccessibleNames::~AccessibleNames() {
    if (services_)
        services_->Release();
    if (joinedCom_)
        CoUninitialize();
}

void AccessibleNames::name(HWND control, const std::wstring& text) noexcept {
    if (!services_)
        return;
    const HRESULT set = services_->SetHwndPropStr(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF,
                                                  PROPID_ACC_NAME, text.c_str());
    if (SUCCEEDED(result_))
        result_ = set;
}

void AccessibleNames::forget(HWND control) noexcept {
    if (!services_ || !control)
        return;
    MSAAPROPID name = PROPID_ACC_NAME;
    services_->ClearHwndProps(control, static_cast<DWORD>(OBJID_CLIENT), CHILDID_SELF, &name, 1);
}

}  // namespace brisel
