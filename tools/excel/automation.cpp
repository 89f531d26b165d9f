#include "tools/excel/automation.h"

#include <cstdio>

namespace {

std::string utf8(const wchar_t* w) {
    if (!w) return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, w, -1, nullptr, 0, nullptr, nullptr);
    std::string out(n > 0 ? size_t(n - 1) : 0, '\0');
    if (n > 1) WideCharToMultiByte(CP_UTF8, 0, w, -1, out.data(), n, nullptr, nullptr);
    return out;
}

} // namespace

Automation::Value Automation::Value::text(const std::wstring& s) {
    Value x;
    x.v.vt = VT_BSTR;
    x.v.bstrVal = SysAllocStringLen(s.data(), UINT(s.size()));
    return x;
}

Automation::Value Automation::Value::number(double d) {
    Value x;
    x.v.vt = VT_R8;
    x.v.dblVal = d;
    return x;
}

Automation::Value Automation::Value::integer(int i) {
    Value x;
    x.v.vt = VT_I4;
    x.v.lVal = i;
    return x;
}

Automation::Value Automation::Value::boolean(bool b) {
    Value x;
    x.v.vt = VT_BOOL;
    x.v.boolVal = b ? VARIANT_TRUE : VARIANT_FALSE;
    return x;
}

bool Automation::invoke(IDispatch* on, const wchar_t* name, WORD flags, VARIANT* out,
                        const std::vector<const VARIANT*>& args, const VARIANT* put) {
    m_error.clear();
    if (!on) {
        m_error = "obiect lipsa la " + utf8(name);
        return false;
    }
    DISPID id = 0;
    LPOLESTR names[] = {const_cast<LPOLESTR>(name)};
    if (FAILED(on->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id))) {
        m_error = "nu exista " + utf8(name);
        return false;
    }
    // Arguments go in last to first; a property's new value is the one named argument.
    std::vector<VARIANT> given;
    if (put) given.push_back(*put);
    for (auto it = args.rbegin(); it != args.rend(); ++it)
        given.push_back(**it);
    DISPID named = DISPID_PROPERTYPUT;
    DISPPARAMS params{given.empty() ? nullptr : given.data(), put ? &named : nullptr, UINT(given.size()),
                      put ? 1u : 0u};
    EXCEPINFO fault{};
    UINT badArgument = 0;
    const HRESULT hr = on->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &params, out, &fault, &badArgument);
    if (SUCCEEDED(hr)) return true;
    char code[32];
    std::snprintf(code, sizeof code, "0x%08lx", static_cast<unsigned long>(hr));
    m_error = utf8(name) + ": " + (fault.bstrDescription ? utf8(fault.bstrDescription) : std::string(code));
    SysFreeString(fault.bstrSource);
    SysFreeString(fault.bstrDescription);
    SysFreeString(fault.bstrHelpFile);
    return false;
}

IDispatch* Automation::object(IDispatch* on, const wchar_t* name, const std::vector<const VARIANT*>& args) {
    VARIANT out;
    VariantInit(&out);
    if (!invoke(on, name, DISPATCH_PROPERTYGET | DISPATCH_METHOD, &out, args, nullptr)) return nullptr;
    if (out.vt == VT_DISPATCH && out.pdispVal) return out.pdispVal; // the caller releases it
    VariantClear(&out);
    m_error = utf8(name) + ": nu este un obiect";
    return nullptr;
}

bool Automation::get(IDispatch* on, const wchar_t* name, VARIANT* out, const std::vector<const VARIANT*>& args) {
    return invoke(on, name, DISPATCH_PROPERTYGET, out, args, nullptr);
}

bool Automation::put(IDispatch* on, const wchar_t* name, const VARIANT& value) {
    return invoke(on, name, DISPATCH_PROPERTYPUT, nullptr, {}, &value);
}

bool Automation::call(IDispatch* on, const wchar_t* name, VARIANT* out, const std::vector<const VARIANT*>& args) {
    return invoke(on, name, DISPATCH_METHOD, out, args, nullptr);
}
