#include "disk/win32/win32_script_files.h"

#include <windows.h>
#include <sddl.h>

#include <memory>

namespace norvale::win32 {

static_assert(win32_error::kFileNotFound == ERROR_FILE_NOT_FOUND);

namespace {

constexpr DWORD kEnvironmentChars = 260;

class HeldHandle final : public HeldScriptFile {
public:
    explicit HeldHandle(HANDLE handle) : handle_(handle) {}
    HeldHandle(const HeldHandle&) = delete;
    HeldHandle& operator=(const HeldHandle&) = delete;
    ~HeldHandle() override { CloseHandle(handle_); }

private:
    HANDLE handle_;
};

struct LocalDescriptor {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ~LocalDescriptor() {
        if (descriptor != nullptr) LocalFree(descriptor);
    }
};

// Takes away what stands at the path without following it: a link or
// junction is removed itself, never what it points to. 0 when the name is free.
DWORD ClearPath(const std::wstring& path) {
    const DWORD attributes = GetFileAttributesW(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        const DWORD error = GetLastError();
        return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
    }
    const bool reparse = (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
    if (!reparse && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    const BOOL removed = (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? RemoveDirectoryW(path.c_str())
                                                                      : DeleteFileW(path.c_str());
    return removed ? ERROR_SUCCESS : GetLastError();
}

bool WriteAll(HANDLE file, const std::string& bytes) {
    std::size_t done = 0;
    while (done < bytes.size()) {
        DWORD written = 0;
        const auto chunk = static_cast<DWORD>(bytes.size() - done);
        if (!WriteFile(file, bytes.data() + done, chunk, &written, nullptr) || written == 0) return false;
        done += written;
    }
    return FlushFileBuffers(file) != 0;
}

bool SameFile(HANDLE file, const BY_HANDLE_FILE_INFORMATION& expected) {
    BY_HANDLE_FILE_INFORMATION found{};
    return GetFileInformationByHandle(file, &found) &&
           found.dwVolumeSerialNumber == expected.dwVolumeSerialNumber &&
           found.nFileIndexHigh == expected.nFileIndexHigh && found.nFileIndexLow == expected.nFileIndexLow;
}

// The file holds `bytes` and nothing more.
bool HoldsExactly(HANDLE file, const std::string& bytes) {
    std::string found(bytes.size() + 1, '\0');
    std::size_t done = 0;
    while (done < found.size()) {
        DWORD got = 0;
        if (!ReadFile(file, &found[done], static_cast<DWORD>(found.size() - done), &got, nullptr)) return false;
        if (got == 0) break;
        done += got;
    }
    found.resize(done);
    return found == bytes;
}

}  // namespace

std::optional<std::wstring> Win32ScriptFiles::SystemDrive() {
    wchar_t buffer[kEnvironmentChars];
    const DWORD length = GetEnvironmentVariableW(L"systemdrive", buffer, kEnvironmentChars);
    if (length == 0 || length >= kEnvironmentChars) return std::nullopt;
    return std::wstring(buffer, length);
}

ScriptFileCreation Win32ScriptFiles::CreateHeld(const std::wstring& path, const std::string& bytes) {
    ScriptFileCreation result;
    if (const DWORD error = ClearPath(path); error != ERROR_SUCCESS) {
        result.error = error;
        return result;
    }
    LocalDescriptor security;
    if (!ConvertStringSecurityDescriptorToSecurityDescriptorW(kScriptFileSddl, SDDL_REVISION_1, &security.descriptor,
                                                              nullptr)) {
        result.error = GetLastError();
        return result;
    }
    SECURITY_ATTRIBUTES attributes{sizeof attributes, security.descriptor, FALSE};
    // CREATE_NEW fails on anything that came back at the name since, and the
    // reparse flag keeps the call from following one.
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, &attributes,
                                    CREATE_NEW, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        result.error = GetLastError();
        return result;
    }
    if (!WriteAll(file, bytes)) {
        result.error = GetLastError();
        if (result.error == ERROR_SUCCESS) result.error = ERROR_WRITE_FAULT;
        CloseHandle(file);
        DeleteFileW(path.c_str());
        return result;
    }
    // diskpart opens its script denying writers: while this program still
    // holds write access, that open fails with a sharing violation. So the
    // writer goes, and the file is held from here on by a reader that
    // shares reading only (no writer, no rename, no delete), after checking
    // that the name still leads to the very file just written, as written.
    BY_HANDLE_FILE_INFORMATION writtenFile{};
    const BOOL identified = GetFileInformationByHandle(file, &writtenFile);
    CloseHandle(file);
    const HANDLE reader = identified ? CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                                   OPEN_EXISTING, FILE_FLAG_OPEN_REPARSE_POINT, nullptr)
                                     : INVALID_HANDLE_VALUE;
    if (reader == INVALID_HANDLE_VALUE) {
        result.error = identified ? GetLastError() : ERROR_FILE_INVALID;
        DeleteFileW(path.c_str());
        return result;
    }
    if (!SameFile(reader, writtenFile) || !HoldsExactly(reader, bytes)) {
        // Not ours any more: left alone (the next script clears the name).
        CloseHandle(reader);
        result.error = ERROR_FILE_INVALID;
        return result;
    }
    result.file = std::make_unique<HeldHandle>(reader);
    return result;
}

std::uint32_t Win32ScriptFiles::Remove(const std::wstring& path) {
    if (DeleteFileW(path.c_str())) return ERROR_SUCCESS;
    const DWORD error = GetLastError();
    return error == ERROR_FILE_NOT_FOUND ? ERROR_SUCCESS : error;
}

}  // namespace norvale::win32
