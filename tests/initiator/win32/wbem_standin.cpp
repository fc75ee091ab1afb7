// The WMI locator for a test prefix: an in-process COM server registered in
// place of the system's WbemLocator class, so that the product's own WMI
// adapter (platform/win32/win32_wmi_port) runs unchanged against the simulated
// initiator. Only what the adapter calls is served: ConnectServer,
// ExecQuery with forward-only enumeration, GetObject of a class,
// SpawnInstance, Get, Put and PutInstance, the last two also
// semisynchronously. Every other method answers E_NOTIMPL. Queries and the
// stored instance travel to the daemon.
#include <windows.h>
#include <oleauto.h>
#include <wbemidl.h>

#include <atomic>
#include <cwchar>
#include <string>
#include <utility>
#include <vector>

#include "platform/win32/com_handles.h"
#include "tests/initiator/win32/standin_link.h"

namespace {

using norvale::sim::SimObject;
using norvale::sim::SimValue;
using norvale::standin::Ask;
using norvale::standin::FromUtf8;
using norvale::standin::ToUtf8;

constexpr HRESULT kTransportFailure = static_cast<HRESULT>(0x80041015L);  // WBEM_E_TRANSPORT_FAILURE
constexpr HRESULT kInvalidQueryType = static_cast<HRESULT>(0x80041018L);  // WBEM_E_INVALID_QUERY_TYPE
constexpr HRESULT kTypeMismatch = static_cast<HRESULT>(0x80041005L);      // WBEM_E_TYPE_MISMATCH
constexpr HRESULT kNotFound = static_cast<HRESULT>(0x80041002L);          // WBEM_E_NOT_FOUND
constexpr HRESULT kInvalidParameter = static_cast<HRESULT>(0x80041008L);  // WBEM_E_INVALID_PARAMETER

// {7C0E6A51-3B0F-4E55-9D3E-2A1F5E0B9C11}: the stand-in's own objects answer
// this, so PutInstance can tell them from anything else handed to it.
const IID IID_StandinObject = {0x7c0e6a51, 0x3b0f, 0x4e55, {0x9d, 0x3e, 0x2a, 0x1f, 0x5e, 0x0b, 0x9c, 0x11}};

std::atomic<long> liveObjects{0};

// Reference counting and QueryInterface for one interface besides IUnknown.
template <typename Interface>
class ComObject : public Interface {
public:
    ComObject() { ++liveObjects; }
    virtual ~ComObject() { --liveObjects; }
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, InterfaceId())) {
            *object = static_cast<Interface*>(this);
        } else if (void* own = Extra(iid)) {
            *object = own;
        } else {
            return E_NOINTERFACE;
        }
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++references_); }
    ULONG STDMETHODCALLTYPE Release() override {
        const long left = --references_;
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

protected:
    virtual const IID& InterfaceId() const = 0;
    virtual void* Extra(REFIID) { return nullptr; }

private:
    std::atomic<long> references_{1};
};

HRESULT ToHresult(std::int64_t code) { return static_cast<HRESULT>(static_cast<std::uint32_t>(code)); }

class StandinObject final : public ComObject<IWbemClassObject> {
public:
    StandinObject(SimObject object, bool isClass) : object_(std::move(object)), isClass_(isClass) {}
    const SimObject& Object() const { return object_; }

    HRESULT STDMETHODCALLTYPE Get(LPCWSTR name, LONG, VARIANT* value, CIMTYPE* type, LONG* flavor) override {
        if (name == nullptr) return kInvalidParameter;
        const SimValue* found = object_.Find(ToUtf8(name));
        if (found == nullptr) return kNotFound;
        if (flavor != nullptr) *flavor = WBEM_FLAVOR_ORIGIN_LOCAL;
        if (type != nullptr) *type = CimType(*found);
        if (value != nullptr) return Fill(*found, *value);
        return WBEM_S_NO_ERROR;
    }
    HRESULT STDMETHODCALLTYPE Put(LPCWSTR name, LONG, VARIANT* value, CIMTYPE) override {
        if (name == nullptr) return kInvalidParameter;
        SimValue stored;
        if (value == nullptr || V_VT(value) == VT_NULL || V_VT(value) == VT_EMPTY) {
            stored = SimValue::Null();
        } else if (V_VT(value) == VT_BSTR) {
            stored = SimValue::String(ToUtf8(norvale::win32::FromBstr(V_BSTR(value))));
        } else if (V_VT(value) == VT_I4) {
            stored = SimValue::Int32(V_I4(value));
        } else if (V_VT(value) == VT_BOOL) {
            stored = SimValue::Bool(V_BOOL(value) != VARIANT_FALSE);
        } else {
            return kTypeMismatch;
        }
        object_.Set(ToUtf8(name), std::move(stored));
        return WBEM_S_NO_ERROR;
    }
    HRESULT STDMETHODCALLTYPE SpawnInstance(LONG, IWbemClassObject** instance) override {
        if (instance == nullptr) return kInvalidParameter;
        *instance = nullptr;
        if (!isClass_) return WBEM_E_INVALID_OPERATION;
        *instance = new StandinObject(SimObject{object_.className, {}}, false);
        return WBEM_S_NO_ERROR;
    }

    HRESULT STDMETHODCALLTYPE GetQualifierSet(IWbemQualifierSet**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Delete(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetNames(LPCWSTR, LONG, VARIANT*, SAFEARRAY**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BeginEnumeration(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Next(LONG, BSTR*, VARIANT*, CIMTYPE*, LONG*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE EndEnumeration() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPropertyQualifierSet(LPCWSTR, IWbemQualifierSet**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IWbemClassObject**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetObjectText(LONG, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE SpawnDerivedClass(LONG, IWbemClassObject**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE CompareTo(LONG, IWbemClassObject*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetPropertyOrigin(LPCWSTR, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE InheritsFrom(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMethod(LPCWSTR, LONG, IWbemClassObject**, IWbemClassObject**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE PutMethod(LPCWSTR, LONG, IWbemClassObject*, IWbemClassObject*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DeleteMethod(LPCWSTR) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE BeginMethodEnumeration(LONG) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE NextMethod(LONG, BSTR*, IWbemClassObject**, IWbemClassObject**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE EndMethodEnumeration() override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMethodQualifierSet(LPCWSTR, IWbemQualifierSet**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetMethodOrigin(LPCWSTR, BSTR*) override { return E_NOTIMPL; }

protected:
    const IID& InterfaceId() const override { return IID_IWbemClassObject; }
    void* Extra(REFIID iid) override {
        return IsEqualIID(iid, IID_StandinObject) ? static_cast<IWbemClassObject*>(this) : nullptr;
    }

private:
    static CIMTYPE CimType(const SimValue& value) {
        switch (value.type) {
        case SimValue::Type::Null: return CIM_EMPTY;
        case SimValue::Type::String: return CIM_STRING;
        case SimValue::Type::Bool: return CIM_BOOLEAN;
        case SimValue::Type::Int32: return CIM_SINT32;
        case SimValue::Type::UInt32: return CIM_UINT32;
        case SimValue::Type::Objects: return CIM_OBJECT | CIM_FLAG_ARRAY;
        }
        return CIM_EMPTY;
    }

    static HRESULT Fill(const SimValue& found, VARIANT& value) {
        ::VariantInit(&value);
        switch (found.type) {
        case SimValue::Type::Null: V_VT(&value) = VT_NULL; return WBEM_S_NO_ERROR;
        case SimValue::Type::String: {
            const std::wstring text = FromUtf8(found.text);
            V_BSTR(&value) = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
            if (V_BSTR(&value) == nullptr) return E_OUTOFMEMORY;
            V_VT(&value) = VT_BSTR;
            return WBEM_S_NO_ERROR;
        }
        case SimValue::Type::Bool:
            V_VT(&value) = VT_BOOL;
            V_BOOL(&value) = found.flag ? VARIANT_TRUE : VARIANT_FALSE;
            return WBEM_S_NO_ERROR;
        case SimValue::Type::Int32: V_VT(&value) = VT_I4; V_I4(&value) = found.int32; return WBEM_S_NO_ERROR;
        case SimValue::Type::UInt32: V_VT(&value) = VT_UI4; V_UI4(&value) = found.uint32; return WBEM_S_NO_ERROR;
        case SimValue::Type::Objects: {
            SAFEARRAY* array = ::SafeArrayCreateVector(VT_UNKNOWN, 0, static_cast<ULONG>(found.objects.size()));
            if (array == nullptr) return E_OUTOFMEMORY;
            for (LONG i = 0; i < static_cast<LONG>(found.objects.size()); ++i) {
                // The array takes its own reference; ours goes with the ComRef.
                auto element = norvale::win32::ComRef<IUnknown>::Adopt(
                    static_cast<IWbemClassObject*>(new StandinObject(found.objects[i], false)));
                if (FAILED(::SafeArrayPutElement(array, &i, element.Get()))) {
                    ::SafeArrayDestroy(array);
                    return E_OUTOFMEMORY;
                }
            }
            V_VT(&value) = VT_ARRAY | VT_UNKNOWN;
            V_ARRAY(&value) = array;
            return WBEM_S_NO_ERROR;
        }
        }
        return E_FAIL;
    }

    SimObject object_;
    bool isClass_;
};

// As a provider that never answers: the whole time-out passes (a minute
// stands for WBEM_INFINITE, so a test cannot hang).
HRESULT WaitOut(LONG timeout) {
    ::Sleep(timeout < 0 || timeout > 60000 ? 60000 : static_cast<DWORD>(timeout));
    return WBEM_S_TIMEDOUT;
}

class StandinEnumerator final : public ComObject<IEnumWbemClassObject> {
public:
    explicit StandinEnumerator(std::vector<SimObject> objects, bool hangs = false)
        : objects_(std::move(objects)), hangs_(hangs) {}

    HRESULT STDMETHODCALLTYPE Next(LONG timeout, ULONG count, IWbemClassObject** objects, ULONG* returned) override {
        if (objects == nullptr || returned == nullptr) return kInvalidParameter;
        *returned = 0;
        if (hangs_) return WaitOut(timeout);
        while (*returned < count && next_ < objects_.size()) {
            objects[(*returned)++] = new StandinObject(std::move(objects_[next_++]), false);
        }
        return *returned == count ? WBEM_S_NO_ERROR : WBEM_S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE Reset() override { return E_NOTIMPL; }  // forward-only
    HRESULT STDMETHODCALLTYPE NextAsync(ULONG, IWbemObjectSink*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Clone(IEnumWbemClassObject**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE Skip(LONG, ULONG) override { return E_NOTIMPL; }

protected:
    const IID& InterfaceId() const override { return IID_IEnumWbemClassObject; }

private:
    std::vector<SimObject> objects_;
    std::size_t next_ = 0;
    bool hangs_ = false;
};

// The outcome of a semisynchronous call. The daemon has answered by the time
// it exists, unless the call hangs: then it never completes.
class StandinCallResult final : public ComObject<IWbemCallResult> {
public:
    StandinCallResult(HRESULT code, IWbemClassObject* object, bool hangs)
        : code_(code), object_(norvale::win32::ComRef<IWbemClassObject>::Adopt(object)), hangs_(hangs) {}

    HRESULT STDMETHODCALLTYPE GetResultObject(LONG timeout, IWbemClassObject** object) override {
        if (object == nullptr) return kInvalidParameter;
        *object = nullptr;
        if (hangs_) return WaitOut(timeout);
        if (FAILED(code_)) return code_;
        if (!object_) return WBEM_E_INVALID_OPERATION;  // the call brought no object
        object_->AddRef();
        *object = object_.Get();
        return WBEM_S_NO_ERROR;
    }
    HRESULT STDMETHODCALLTYPE GetCallStatus(LONG timeout, LONG* status) override {
        if (status == nullptr) return kInvalidParameter;
        if (hangs_) return WaitOut(timeout);
        *status = code_;
        return WBEM_S_NO_ERROR;
    }
    HRESULT STDMETHODCALLTYPE GetResultString(LONG, BSTR*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetResultServices(LONG, IWbemServices**) override { return E_NOTIMPL; }

protected:
    const IID& InterfaceId() const override { return IID_IWbemCallResult; }

private:
    HRESULT code_;
    norvale::win32::ComRef<IWbemClassObject> object_;
    bool hangs_;
};

// A semisynchronous call must be given somewhere to put its call result.
bool Semisynchronous(LONG flags) { return (flags & WBEM_FLAG_RETURN_IMMEDIATELY) != 0; }

class StandinServices final : public ComObject<IWbemServices> {
public:
    HRESULT STDMETHODCALLTYPE ExecQuery(const BSTR language, const BSTR query, LONG, IWbemContext*,
                                        IEnumWbemClassObject** rows) override {
        if (rows == nullptr || query == nullptr) return kInvalidParameter;
        *rows = nullptr;
        if (language == nullptr || ::_wcsicmp(language, L"WQL") != 0) return kInvalidQueryType;
        std::optional<norvale::sim::wire::Response> answer =
            Ask({"QUERY", {ToUtf8(norvale::win32::FromBstr(query))}});
        if (!answer) return kTransportFailure;
        if (FAILED(ToHresult(answer->code))) return ToHresult(answer->code);
        *rows = new StandinEnumerator(std::move(answer->objects), ToHresult(answer->code) == WBEM_S_TIMEDOUT);
        return WBEM_S_NO_ERROR;
    }
    HRESULT STDMETHODCALLTYPE GetObject(const BSTR path, LONG flags, IWbemContext*, IWbemClassObject** object,
                                        IWbemCallResult** callResult) override {
        if (callResult != nullptr) *callResult = nullptr;
        if (object != nullptr) *object = nullptr;
        const bool semi = Semisynchronous(flags);
        if (path == nullptr || (semi ? callResult == nullptr : object == nullptr)) return kInvalidParameter;
        const std::string className = ToUtf8(norvale::win32::FromBstr(path));
        const std::optional<norvale::sim::wire::Response> answer = Ask({"CLASS", {className}});
        if (!answer) return kTransportFailure;
        const HRESULT code = ToHresult(answer->code);
        IWbemClassObject* found = FAILED(code) ? nullptr : new StandinObject(SimObject{className, {}}, true);
        if (semi) {
            // The call itself succeeds; its outcome waits in the call result.
            *callResult = new StandinCallResult(code, found, false);
            return WBEM_S_NO_ERROR;
        }
        if (FAILED(code)) return code;
        *object = found;
        return WBEM_S_NO_ERROR;
    }
    HRESULT STDMETHODCALLTYPE PutInstance(IWbemClassObject* instance, LONG flags, IWbemContext*,
                                          IWbemCallResult** callResult) override {
        if (callResult != nullptr) *callResult = nullptr;
        const bool semi = Semisynchronous(flags);
        if (instance == nullptr || (semi && callResult == nullptr)) return kInvalidParameter;
        norvale::win32::ComRef<IWbemClassObject> own;
        if (FAILED(instance->QueryInterface(IID_StandinObject, reinterpret_cast<void**>(own.Put()))))
            return kInvalidParameter;
        const SimObject& object = static_cast<StandinObject*>(own.Get())->Object();
        std::vector<std::string> args{object.className};
        for (const norvale::sim::SimProperty& property : object.properties) {
            if (property.value.type != SimValue::Type::String) continue;
            args.push_back(property.name);
            args.push_back(property.value.text);
        }
        const std::optional<norvale::sim::wire::Response> answer = Ask({"PUT", args});
        if (!answer) return kTransportFailure;
        const HRESULT code = ToHresult(answer->code);
        if (!semi) return code == WBEM_S_TIMEDOUT ? WaitOut(-1) : code;
        *callResult = new StandinCallResult(code, nullptr, code == WBEM_S_TIMEDOUT);
        return WBEM_S_NO_ERROR;
    }

    HRESULT STDMETHODCALLTYPE OpenNamespace(const BSTR, LONG, IWbemContext*, IWbemServices**,
                                            IWbemCallResult**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CancelAsyncCall(IWbemObjectSink*) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE QueryObjectSink(LONG, IWbemObjectSink**) override { return E_NOTIMPL; }
    HRESULT STDMETHODCALLTYPE GetObjectAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE PutClass(IWbemClassObject*, LONG, IWbemContext*, IWbemCallResult**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE PutClassAsync(IWbemClassObject*, LONG, IWbemContext*, IWbemObjectSink*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DeleteClass(const BSTR, LONG, IWbemContext*, IWbemCallResult**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DeleteClassAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CreateClassEnum(const BSTR, LONG, IWbemContext*, IEnumWbemClassObject**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CreateClassEnumAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE PutInstanceAsync(IWbemClassObject*, LONG, IWbemContext*, IWbemObjectSink*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DeleteInstance(const BSTR, LONG, IWbemContext*, IWbemCallResult**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE DeleteInstanceAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CreateInstanceEnum(const BSTR, LONG, IWbemContext*, IEnumWbemClassObject**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE CreateInstanceEnumAsync(const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ExecQueryAsync(const BSTR, const BSTR, LONG, IWbemContext*, IWbemObjectSink*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ExecNotificationQuery(const BSTR, const BSTR, LONG, IWbemContext*,
                                                    IEnumWbemClassObject**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ExecNotificationQueryAsync(const BSTR, const BSTR, LONG, IWbemContext*,
                                                         IWbemObjectSink*) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ExecMethod(const BSTR, const BSTR, LONG, IWbemContext*, IWbemClassObject*,
                                         IWbemClassObject**, IWbemCallResult**) override {
        return E_NOTIMPL;
    }
    HRESULT STDMETHODCALLTYPE ExecMethodAsync(const BSTR, const BSTR, LONG, IWbemContext*, IWbemClassObject*,
                                              IWbemObjectSink*) override {
        return E_NOTIMPL;
    }

protected:
    const IID& InterfaceId() const override { return IID_IWbemServices; }
};

class StandinLocator final : public ComObject<IWbemLocator> {
public:
    HRESULT STDMETHODCALLTYPE ConnectServer(const BSTR path, const BSTR, const BSTR, const BSTR, LONG, const BSTR,
                                            IWbemContext*, IWbemServices** services) override {
        if (services == nullptr || path == nullptr) return kInvalidParameter;
        *services = nullptr;
        const std::optional<norvale::sim::wire::Response> answer =
            Ask({"CONNECT", {ToUtf8(norvale::win32::FromBstr(path))}});
        if (!answer) return kTransportFailure;
        // A provider that hangs holds the caller (for the two minutes a
        // connect may take, a test's ten seconds here), then fails.
        if (ToHresult(answer->code) == WBEM_S_TIMEDOUT) {
            ::Sleep(10000);
            return WBEM_E_TIMED_OUT;
        }
        if (FAILED(ToHresult(answer->code))) return ToHresult(answer->code);
        *services = new StandinServices();
        return WBEM_S_NO_ERROR;
    }

protected:
    const IID& InterfaceId() const override { return IID_IWbemLocator; }
};

class LocatorFactory final : public ComObject<IClassFactory> {
public:
    HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
        if (object == nullptr) return E_POINTER;
        *object = nullptr;
        if (outer != nullptr) return CLASS_E_NOAGGREGATION;
        auto locator = norvale::win32::ComRef<IWbemLocator>::Adopt(new StandinLocator());
        return locator->QueryInterface(iid, object);
    }
    HRESULT STDMETHODCALLTYPE LockServer(BOOL) override { return S_OK; }

protected:
    const IID& InterfaceId() const override { return IID_IClassFactory; }
};

}  // namespace

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (!IsEqualCLSID(clsid, CLSID_WbemLocator)) return CLASS_E_CLASSNOTAVAILABLE;
    auto factory = norvale::win32::ComRef<IClassFactory>::Adopt(new LocatorFactory());
    return factory->QueryInterface(iid, object);
}

extern "C" __declspec(dllexport) HRESULT STDAPICALLTYPE DllCanUnloadNow() {
    return liveObjects == 0 ? S_OK : S_FALSE;
}
