#pragma once

#include <oaidl.h>
#include <string>
#include <vector>

// Calls on an automation object by name, late bound, as the earlier generation's scripts
// made them: each name is looked up with GetIDsOfNames and run with Invoke.
class Automation {
public:
    // A VARIANT that clears itself.
    class Value {
    public:
        Value() { VariantInit(&v); }
        ~Value() { VariantClear(&v); }
        Value(Value&& o) noexcept : v(o.v) { VariantInit(&o.v); }
        Value(const Value&) = delete;
        Value& operator=(const Value&) = delete;
        static Value text(const std::wstring& s);
        static Value number(double d);
        static Value integer(int i);
        static Value boolean(bool b);
        VARIANT v;
    };

    // What went wrong in the last call, in the words the object gave.
    const std::string& error() const { return m_error; }

    // A property (with arguments: an indexed one), or a method's result; nullptr on failure.
    IDispatch* object(IDispatch* on, const wchar_t* name, const std::vector<const VARIANT*>& args = {});
    bool get(IDispatch* on, const wchar_t* name, VARIANT* out, const std::vector<const VARIANT*>& args = {});
    bool put(IDispatch* on, const wchar_t* name, const VARIANT& value);
    bool call(IDispatch* on, const wchar_t* name, VARIANT* out, const std::vector<const VARIANT*>& args = {});

private:
    bool invoke(IDispatch* on, const wchar_t* name, WORD flags, VARIANT* out, const std::vector<const VARIANT*>& args,
                const VARIANT* put);
    std::string m_error;
};
