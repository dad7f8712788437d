// Names for screen readers where a control has no label of its own: Dynamic Annotation
// (IAccPropServices), which Windows documents for exactly this case.
#pragma once

#include "base/windows_api.h"

#include <string>

struct IAccPropServices;

namespace brisel {

class AccessibleNames {
public:
    // Joins the thread to COM's single-threaded apartment for the lifetime of the object.
    AccessibleNames() noexcept;
    ~AccessibleNames();
    AccessibleNames(const AccessibleNames&) = delete;
    AccessibleNames& operator=(const AccessibleNames&) = delete;

    // What a screen reader says for `control`.
    void name(HWND control, const std::wstring& text) noexcept;
    // Takes the name back before the control is destroyed.
    void forget(HWND control) noexcept;
    // S_OK when every name was set; otherwise the first failure.
    HRESULT result() const noexcept { return result_; }

private:
    bool joinedCom_ = false;
    IAccPropServices* services_ = nullptr;
    HRESULT result_ = S_OK;
};

}  // namespace brisel
