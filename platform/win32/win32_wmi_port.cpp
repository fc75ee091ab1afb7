#include "platform/win32/win32_wmi_port.h"

#include <windows.h>
#include <wbemidl.h>

#include <memory>
#include <mutex>
#include <set>
#include <utility>

#include "platform/win32/com_handles.h"

namespace norvale::win32 {
namespace {

constexpr DWORD kComputerNameChars = 260;

template <typename T>
WmiOutcome<T> Failed(HRESULT code) {
    return {static_cast<WmiResult>(code), nullptr};
}

template <typename T>
WmiOutcome<T> Made(HRESULT code, std::unique_ptr<T> object) {
    return {static_cast<WmiResult>(code), std::move(object)};
}

WmiValue Translate(const VARIANT& value);

class Win32WmiObject final : public WmiObject {
public:
    explicit Win32WmiObject(ComRef<IWbemClassObject> object) : object_(std::move(object)) {}

    std::optional<WmiValue> Get(const std::wstring& property) override {
        Variant value;
        if (FAILED(object_->Get(property.c_str(), 0, value.Put(), nullptr, nullptr))) return std::nullopt;
        return Translate(value.Get());
    }

private:
    ComRef<IWbemClassObject> object_;
};

// The embedded objects of a one-dimensional array, in index order; an
// element that is no WMI object is left out.
WmiValue EmbeddedObjects(SAFEARRAY* array) {
    std::vector<std::unique_ptr<WmiObject>> objects;
    LONG low = 0;
    LONG high = -1;
    if (array == nullptr || ::SafeArrayGetDim(array) != 1 ||
        FAILED(::SafeArrayGetLBound(array, 1, &low)) || FAILED(::SafeArrayGetUBound(array, 1, &high))) {
        return WmiValue::Objects(std::move(objects));
    }
    for (LONG index = low; index <= high; ++index) {
        ComRef<IUnknown> element;  // GetElement hands out its own reference
        if (FAILED(::SafeArrayGetElement(array, &index, element.Put())) || !element) continue;
        ComRef<IWbemClassObject> object;
        if (FAILED(element->QueryInterface(IID_IWbemClassObject, reinterpret_cast<void**>(object.Put()))))
            continue;
        objects.push_back(std::make_unique<Win32WmiObject>(std::move(object)));
    }
    return WmiValue::Objects(std::move(objects));
}

WmiValue Translate(const VARIANT& value) {
    switch (V_VT(&value)) {
    case VT_NULL: return WmiValue::Null();
    case VT_BSTR: return WmiValue::String(FromBstr(V_BSTR(&value)));
    case VT_BOOL: return WmiValue::Bool(V_BOOL(&value) != VARIANT_FALSE);
    case VT_I4: return WmiValue::Int32(V_I4(&value));
    case VT_UI4: return WmiValue::UInt32(V_UI4(&value));
    case VT_ARRAY | VT_UNKNOWN: return EmbeddedObjects(V_ARRAY(&value));
    default: return WmiValue::OtherType(V_VT(&value));
    }
}

// Every call to the provider runs on a worker, and a flow waits for it: a
// whole query, a connect, a class read or a store gets this long, and a
// provider that hangs ends it with what came so far or with
// WBEM_E_TIMED_OUT, so the flow can tell the user instead of waiting on.
constexpr DWORD kQueryBudgetMs = 4000;

DWORD Remaining(DWORD started) {
    const DWORD spent = ::GetTickCount() - started;  // wraps correctly
    return spent >= kQueryBudgetMs ? 0 : kQueryBudgetMs - spent;
}

// A semisynchronous call that has not finished by the end of its budget
// answers WBEM_S_TIMEDOUT, a success code: it becomes the failure it is.
HRESULT Settled(HRESULT code) {
    return code == WBEM_S_TIMEDOUT ? static_cast<HRESULT>(WBEM_E_TIMED_OUT) : code;
}

class Win32WmiEnumerator final : public WmiEnumerator {
public:
    explicit Win32WmiEnumerator(ComRef<IEnumWbemClassObject> rows)
        : rows_(std::move(rows)), started_(::GetTickCount()) {}

    std::unique_ptr<WmiObject> Next() override {
        const DWORD spent = ::GetTickCount() - started_;  // wraps correctly
        if (spent >= kQueryBudgetMs) {
            timedOut_ = true;
            return nullptr;
        }
        ComRef<IWbemClassObject> object;
        ULONG returned = 0;
        const HRESULT read = rows_->Next(static_cast<long>(kQueryBudgetMs - spent), 1, object.Put(), &returned);
        if (read == WBEM_S_TIMEDOUT) {
            timedOut_ = true;
            return nullptr;
        }
        if (FAILED(read) || returned == 0 || !object) return nullptr;
        return std::make_unique<Win32WmiObject>(std::move(object));
    }
    bool TimedOut() const override { return timedOut_; }

private:
    ComRef<IEnumWbemClassObject> rows_;
    DWORD started_;
    bool timedOut_ = false;
};

class Win32WmiInstance final : public WmiInstance {
public:
    explicit Win32WmiInstance(ComRef<IWbemClassObject> instance) : instance_(std::move(instance)) {
        const std::lock_guard<std::mutex> lock(LiveLock());
        Live().insert(this);
    }
    ~Win32WmiInstance() override {
        const std::lock_guard<std::mutex> lock(LiveLock());
        Live().erase(this);
    }
    Win32WmiInstance(const Win32WmiInstance&) = delete;
    Win32WmiInstance& operator=(const Win32WmiInstance&) = delete;

    // The instance as one of ours, or nullptr: the build has no run-time
    // type information, so the instances alive are known by address.
    static Win32WmiInstance* Of(WmiInstance& instance) {
        const std::lock_guard<std::mutex> lock(LiveLock());
        return Live().count(&instance) != 0 ? static_cast<Win32WmiInstance*>(&instance) : nullptr;
    }

    WmiResult PutString(const std::wstring& property, const std::wstring& text) override {
        Variant value;
        VARIANT* filled = value.Put();
        V_VT(filled) = VT_BSTR;
        V_BSTR(filled) = ::SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
        if (V_BSTR(filled) == nullptr) return static_cast<WmiResult>(E_OUTOFMEMORY);
        return static_cast<WmiResult>(instance_->Put(property.c_str(), 0, filled, 0));
    }
    IWbemClassObject* Get() const { return instance_.Get(); }

private:
    static std::set<const WmiInstance*>& Live() {
        static std::set<const WmiInstance*> live;
        return live;
    }
    static std::mutex& LiveLock() {
        static std::mutex lock;
        return lock;
    }

    ComRef<IWbemClassObject> instance_;
};

class Win32WmiClass final : public WmiClass {
public:
    explicit Win32WmiClass(ComRef<IWbemClassObject> definition) : definition_(std::move(definition)) {}

    WmiOutcome<WmiInstance> SpawnInstance() override {
        ComRef<IWbemClassObject> instance;
        const HRESULT spawned = definition_->SpawnInstance(0, instance.Put());
        if (FAILED(spawned) || !instance) return Failed<WmiInstance>(FAILED(spawned) ? spawned : E_POINTER);
        return Made<WmiInstance>(spawned, std::make_unique<Win32WmiInstance>(std::move(instance)));
    }

private:
    ComRef<IWbemClassObject> definition_;
};

class Win32WmiServices final : public WmiServices {
public:
    explicit Win32WmiServices(ComRef<IWbemServices> services) : services_(std::move(services)) {}

    WmiResult SetProxyBlanket() override {
        return static_cast<WmiResult>(::CoSetProxyBlanket(
            services_.Get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr, RPC_C_AUTHN_LEVEL_CONNECT,
            RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE));
    }

    WmiOutcome<WmiEnumerator> ExecQuery(const std::wstring& wql) override {
        const Bstr language(L"WQL");
        const Bstr query(wql);
        if (!language.Allocated() || !query.Allocated()) return Failed<WmiEnumerator>(E_OUTOFMEMORY);
        ComRef<IEnumWbemClassObject> rows;
        const HRESULT run = services_->ExecQuery(
            language.Get(), query.Get(), WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY, nullptr,
            rows.Put());
        if (FAILED(run) || !rows) return Failed<WmiEnumerator>(FAILED(run) ? run : E_POINTER);
        return Made<WmiEnumerator>(run, std::make_unique<Win32WmiEnumerator>(std::move(rows)));
    }

    WmiOutcome<WmiClass> GetClassObject(const std::wstring& className) override {
        const Bstr name(className);
        if (!name.Allocated()) return Failed<WmiClass>(E_OUTOFMEMORY);
        const DWORD started = ::GetTickCount();
        ComRef<IWbemCallResult> call;
        HRESULT got = services_->GetObject(name.Get(), WBEM_FLAG_RETURN_IMMEDIATELY, nullptr, nullptr, call.Put());
        if (FAILED(got) || !call) return Failed<WmiClass>(FAILED(got) ? got : E_POINTER);
        ComRef<IWbemClassObject> definition;
        got = Settled(call->GetResultObject(static_cast<long>(Remaining(started)), definition.Put()));
        if (FAILED(got) || !definition) return Failed<WmiClass>(FAILED(got) ? got : E_POINTER);
        return Made<WmiClass>(got, std::make_unique<Win32WmiClass>(std::move(definition)));
    }

    WmiResult PutInstance(WmiInstance& instance) override {
        Win32WmiInstance* spawned = Win32WmiInstance::Of(instance);
        if (spawned == nullptr) return static_cast<WmiResult>(E_INVALIDARG);
        const DWORD started = ::GetTickCount();
        ComRef<IWbemCallResult> call;
        const HRESULT put =
            services_->PutInstance(spawned->Get(), WBEM_FLAG_RETURN_IMMEDIATELY, nullptr, call.Put());
        if (FAILED(put) || !call) return static_cast<WmiResult>(FAILED(put) ? put : E_POINTER);
        LONG stored = WBEM_E_FAILED;
        const HRESULT status = Settled(call->GetCallStatus(static_cast<long>(Remaining(started)), &stored));
        return static_cast<WmiResult>(FAILED(status) ? status : stored);
    }

private:
    ComRef<IWbemServices> services_;
};

// ConnectServer has no semisynchronous form, and even with
// WBEM_FLAG_CONNECT_USE_MAX_WAIT it may take two minutes: it runs on a
// thread of its own, which the caller stops waiting for at the budget's end.
// The thread owns its share of the call and drops what a late connect
// brings. Both threads are in the multithreaded apartment (the workers that
// talk to WMI are), so the services pass between them as they are.
struct PendingConnect {
    ComRef<IWbemLocator> locator;
    std::wstring path;
    HANDLE done = nullptr;
    HRESULT code = E_PENDING;
    ComRef<IWbemServices> services;

    PendingConnect() = default;
    PendingConnect(const PendingConnect&) = delete;
    PendingConnect& operator=(const PendingConnect&) = delete;
    ~PendingConnect() {
        if (done != nullptr) ::CloseHandle(done);
    }
};

HRESULT Connect(IWbemLocator& locator, const std::wstring& namespacePath, ComRef<IWbemServices>& services) {
    const Bstr path(namespacePath);
    if (!path.Allocated()) return E_OUTOFMEMORY;
    HRESULT connected = locator.ConnectServer(path.Get(), nullptr, nullptr, nullptr, WBEM_FLAG_CONNECT_USE_MAX_WAIT,
                                              nullptr, nullptr, services.Put());
    // Windows before Vista does not know the flag.
    if (connected == static_cast<HRESULT>(WBEM_E_INVALID_PARAMETER))
        connected = locator.ConnectServer(path.Get(), nullptr, nullptr, nullptr, 0, nullptr, nullptr, services.Put());
    return connected;
}

// Joining the multithreaded apartment tells: S_FALSE when the thread is in
// it already, RPC_E_CHANGED_MODE when it lives in a single-threaded one.
bool InMultithreadedApartment() {
    const HRESULT joined = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    if (SUCCEEDED(joined)) ::CoUninitialize();
    return joined == S_FALSE;
}

DWORD WINAPI ConnectEntry(LPVOID parameter) {
    std::unique_ptr<std::shared_ptr<PendingConnect>> held(static_cast<std::shared_ptr<PendingConnect>*>(parameter));
    const HRESULT com = ::CoInitializeEx(nullptr, COINIT_MULTITHREADED);
    PendingConnect& call = **held;
    call.code = Connect(*call.locator.Get(), call.path, call.services);
    ::SetEvent(call.done);
    held.reset();  // releases, in the apartment, what nobody waits for any more
    if (SUCCEEDED(com)) ::CoUninitialize();
    return 0;
}

class Win32WmiLocator final : public WmiLocator {
public:
    explicit Win32WmiLocator(ComRef<IWbemLocator> locator) : locator_(std::move(locator)) {}

    WmiOutcome<WmiServices> ConnectServer(const std::wstring& namespacePath) override {
        if (!InMultithreadedApartment()) {
            // Only a thread of the same apartment may use what the helper
            // gets; elsewhere the connect runs here, with Windows' own bound.
            ComRef<IWbemServices> services;
            const HRESULT connected = Connect(*locator_.Get(), namespacePath, services);
            if (FAILED(connected) || !services)
                return Failed<WmiServices>(FAILED(connected) ? connected : E_POINTER);
            return Made<WmiServices>(connected, std::make_unique<Win32WmiServices>(std::move(services)));
        }
        auto call = std::make_shared<PendingConnect>();
        call->done = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
        if (call->done == nullptr) return Failed<WmiServices>(HRESULT_FROM_WIN32(::GetLastError()));
        locator_->AddRef();
        call->locator = ComRef<IWbemLocator>::Adopt(locator_.Get());
        call->path = namespacePath;
        auto* handed = new std::shared_ptr<PendingConnect>(call);
        HANDLE thread = ::CreateThread(nullptr, 0, ConnectEntry, handed, 0, nullptr);
        if (thread == nullptr) {
            delete handed;
            return Failed<WmiServices>(HRESULT_FROM_WIN32(::GetLastError()));
        }
        ::CloseHandle(thread);
        if (::WaitForSingleObject(call->done, kQueryBudgetMs) != WAIT_OBJECT_0)
            return Failed<WmiServices>(static_cast<HRESULT>(WBEM_E_TIMED_OUT));
        const HRESULT connected = call->code;
        if (FAILED(connected) || !call->services)
            return Failed<WmiServices>(FAILED(connected) ? connected : E_POINTER);
        return Made<WmiServices>(connected, std::make_unique<Win32WmiServices>(std::move(call->services)));
    }

private:
    ComRef<IWbemLocator> locator_;
};

}  // namespace

WmiResult Win32WmiPort::InitializeSecurity() {
    return static_cast<WmiResult>(::CoInitializeSecurity(nullptr, -1, nullptr, nullptr, RPC_C_AUTHN_LEVEL_CONNECT,
                                                         RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE,
                                                         nullptr));
}

std::wstring Win32WmiPort::LocalMachineName() {
    wchar_t name[kComputerNameChars];
    DWORD length = kComputerNameChars;
    if (!::GetComputerNameW(name, &length)) return {};
    return std::wstring(name, length);
}

WmiOutcome<WmiLocator> Win32WmiPort::CreateLocator() {
    ComRef<IWbemLocator> locator;
    const HRESULT created = ::CoCreateInstance(CLSID_WbemLocator, nullptr, CLSCTX_INPROC_SERVER, IID_IWbemLocator,
                                               reinterpret_cast<void**>(locator.Put()));
    if (FAILED(created) || !locator) return Failed<WmiLocator>(FAILED(created) ? created : E_POINTER);
    return Made<WmiLocator>(created, std::make_unique<Win32WmiLocator>(std::move(locator)));
}

}  // namespace norvale::win32
