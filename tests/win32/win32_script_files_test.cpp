// Script files on Windows: what stood at the name is replaced without being
// followed, the new file carries only the administrators' and the system's
// access, and nobody can write or delete it while it is held.
#include <windows.h>
#include <aclapi.h>
#include <sddl.h>

#include <gtest/gtest.h>

#include <string>

#include "disk/win32/win32_script_files.h"
#include "platform/core/console/bounded_run.h"
#include "platform/win32/win32_process_port.h"

namespace norvale::test {
namespace {

class Win32ScriptFilesTest : public testing::Test {
protected:
    void SetUp() override {
        wchar_t temp[MAX_PATH];
        ASSERT_GT(GetTempPathW(MAX_PATH, temp), 0u);
        dir_ = std::wstring(temp) + L"norvale-scripts-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
               std::to_wstring(GetTickCount64());
        ASSERT_TRUE(CreateDirectoryW(dir_.c_str(), nullptr));
    }
    void TearDown() override {
        WIN32_FIND_DATAW found;
        const HANDLE find = FindFirstFileW((dir_ + L"\\*").c_str(), &found);
        if (find != INVALID_HANDLE_VALUE) {
            do {
                const std::wstring name = found.cFileName;
                if (name == L"." || name == L"..") continue;
                const std::wstring path = dir_ + L"\\" + name;
                SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                if (!DeleteFileW(path.c_str())) RemoveDirectoryW(path.c_str());
            } while (FindNextFileW(find, &found));
            FindClose(find);
        }
        RemoveDirectoryW(dir_.c_str());
    }
    std::wstring Path(const wchar_t* name) const { return dir_ + L"\\" + name; }

    static std::string ReadAll(const std::wstring& path) {
        // As the C runtime's fopen(path, "r") opens it: sharing read and write.
        const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file == INVALID_HANDLE_VALUE) return "(unopened)";
        char buffer[512];
        DWORD got = 0;
        ReadFile(file, buffer, sizeof buffer, &got, nullptr);
        CloseHandle(file);
        return std::string(buffer, got);
    }
    static void PlaceFile(const std::wstring& path, const std::string& bytes, DWORD attributes) {
        const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, attributes, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
        CloseHandle(file);
    }

    bool KeepsHiddenMarks() const {
        const std::wstring probe = dir_ + L"\\hidden-probe";
        PlaceFile(probe, "x", FILE_ATTRIBUTE_NORMAL);
        SetFileAttributesW(probe.c_str(), FILE_ATTRIBUTE_HIDDEN);
        const bool kept = (GetFileAttributesW(probe.c_str()) & FILE_ATTRIBUTE_HIDDEN) != 0;
        SetFileAttributesW(probe.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(probe.c_str());
        return kept;
    }

    win32::Win32ScriptFiles files_;
    std::wstring dir_;
};

TEST_F(Win32ScriptFilesTest, PreplacedHiddenReadOnlyFileIsReplaced) {
    const std::wstring path = Path(L"diskdel.script");
    PlaceFile(path, "select disk 0\nclean\n", FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_READONLY);
    {
        ScriptFileCreation created = files_.CreateHeld(path, "select disk 3\n");
        ASSERT_TRUE(created.Ok()) << created.error;
        EXPECT_EQ(ReadAll(path), "select disk 3\n");
        // Wine keeps the mark in an extended attribute, which some file
        // systems (a tmpfs before Linux 6.6) cannot hold for anyone.
        const DWORD attributes = GetFileAttributesW(path.c_str());
        if (KeepsHiddenMarks()) {
            EXPECT_NE(attributes & FILE_ATTRIBUTE_HIDDEN, 0u);
        }
    }
    EXPECT_EQ(files_.Remove(path), 0u);
    EXPECT_EQ(GetFileAttributesW(path.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(files_.Remove(path), 0u) << "a missing file is no error";
}

// The trustees of a descriptor's DACL ("S-1-5-18;..."), and whether it is
// protected from inheritance.
struct AccessList {
    std::wstring trustees;
    bool protectedFromInheritance = false;
    bool fullControlEach = true;
};

AccessList ReadAccessList(PSECURITY_DESCRIPTOR descriptor) {
    AccessList list;
    SECURITY_DESCRIPTOR_CONTROL control = 0;
    DWORD revision = 0;
    GetSecurityDescriptorControl(descriptor, &control, &revision);
    list.protectedFromInheritance = (control & SE_DACL_PROTECTED) != 0;
    BOOL present = FALSE, defaulted = FALSE;
    PACL dacl = nullptr;
    if (!GetSecurityDescriptorDacl(descriptor, &present, &dacl, &defaulted) || !present || dacl == nullptr) return list;
    for (WORD i = 0; i < dacl->AceCount; ++i) {
        void* raw = nullptr;
        if (!GetAce(dacl, i, &raw)) continue;
        auto* ace = static_cast<ACCESS_ALLOWED_ACE*>(raw);
        list.fullControlEach = list.fullControlEach && ace->Header.AceType == ACCESS_ALLOWED_ACE_TYPE &&
                               (ace->Mask & FILE_ALL_ACCESS) == FILE_ALL_ACCESS;
        LPWSTR sid = nullptr;
        if (!ConvertSidToStringSidW(&ace->SidStart, &sid)) continue;
        list.trustees += std::wstring(sid) + L";";
        LocalFree(sid);
    }
    return list;
}

AccessList AccessListOfFile(const std::wstring& path) {
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    if (GetNamedSecurityInfoW(path.c_str(), SE_FILE_OBJECT, DACL_SECURITY_INFORMATION, nullptr, nullptr, nullptr,
                              nullptr, &descriptor) != ERROR_SUCCESS) {
        return {};
    }
    AccessList list = ReadAccessList(descriptor);
    LocalFree(descriptor);
    return list;
}

bool UnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "wine_get_version") != nullptr; }

TEST_F(Win32ScriptFilesTest, AccessListIsAdministratorsAndSystemOnlyNotInherited) {
    // The descriptor the file is created with.
    PSECURITY_DESCRIPTOR descriptor = nullptr;
    ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorW(win32::kScriptFileSddl, SDDL_REVISION_1,
                                                                     &descriptor, nullptr));
    const AccessList given = ReadAccessList(descriptor);
    LocalFree(descriptor);
    EXPECT_EQ(given.trustees, L"S-1-5-32-544;S-1-5-18;");
    EXPECT_TRUE(given.protectedFromInheritance);
    EXPECT_TRUE(given.fullControlEach);

    const std::wstring path = Path(L"diskonline.script");
    ScriptFileCreation created = files_.CreateHeld(path, "x");
    ASSERT_TRUE(created.Ok()) << created.error;
    const AccessList read = AccessListOfFile(path);
    if (!UnderWine()) {
        EXPECT_EQ(read.trustees, given.trustees);
        EXPECT_TRUE(read.protectedFromInheritance);
        return;
    }
    // Wine keeps file access as Unix permissions and reads back the owner
    // and SYSTEM; what it must not show is access for everyone else, which a
    // file made without the descriptor has.
    const std::wstring plain = Path(L"plain.txt");
    PlaceFile(plain, "x", FILE_ATTRIBUTE_NORMAL);
    EXPECT_NE(AccessListOfFile(plain).trustees.find(L"S-1-1-0;"), std::wstring::npos);
    for (const wchar_t* others : {L"S-1-1-0;", L"S-1-5-32-545;", L"S-1-5-11;"}) {
        EXPECT_EQ(read.trustees.find(others), std::wstring::npos) << others << " in " << read.trustees;
    }
}

TEST_F(Win32ScriptFilesTest, HeldFileCanBeReadButNotWrittenOrDeleted) {
    const std::wstring path = Path(L"assignletter_2003.script");
    {
        ScriptFileCreation created = files_.CreateHeld(path, "assign letter=F");
        ASSERT_TRUE(created.Ok()) << created.error;
        const HANDLE writer = CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                          OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        EXPECT_EQ(writer, INVALID_HANDLE_VALUE);
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
        if (writer != INVALID_HANDLE_VALUE) CloseHandle(writer);
        EXPECT_FALSE(DeleteFileW(path.c_str()));
        EXPECT_FALSE(MoveFileW(path.c_str(), Path(L"moved").c_str()));
        EXPECT_EQ(ReadAll(path), "assign letter=F");
    }
    // Let go: the program deletes it where it should go.
    EXPECT_EQ(files_.Remove(path), 0u);
}

// What a child opening the file as diskpart does (read, sharing read only)
// prints: "read:CONTENT;" or "error:CODE;".
std::wstring OpenedByChild(const std::wstring& path) {
    wchar_t self[MAX_PATH];
    const DWORD length = GetModuleFileNameW(nullptr, self, MAX_PATH);
    std::wstring dir(self, length);
    dir = dir.substr(0, dir.find_last_of(L"\\/") + 1);
    win32::Win32ProcessPort processes;
    const BoundedRun run = RunBounded(processes, SystemClock(), L"\"" + dir + L"runner_child.exe\" open " + path, true,
                                      std::chrono::milliseconds(30000), std::chrono::milliseconds(5000));
    return run.Finished() ? run.output : L"(did not finish)";
}

// diskpart opens its script denying writers: it reads the held script, and
// could not read one still held with write access, as it used to be.
TEST_F(Win32ScriptFilesTest, AChildOpeningItAsDiskpartReadsTheHeldScript) {
    const std::wstring path = Path(L"diskdel.script");
    {
        ScriptFileCreation created = files_.CreateHeld(path, "select disk 3\n");
        ASSERT_TRUE(created.Ok()) << created.error;
        EXPECT_EQ(OpenedByChild(path), L"read:select disk 3\n;");
    }
    EXPECT_EQ(files_.Remove(path), 0u);

    const std::wstring written = Path(L"writer.script");
    PlaceFile(written, "select disk 3\n", FILE_ATTRIBUTE_NORMAL);
    const HANDLE writer = CreateFileW(written.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                      OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(writer, INVALID_HANDLE_VALUE);
    EXPECT_EQ(OpenedByChild(written), L"error:32;");
    CloseHandle(writer);
    EXPECT_EQ(OpenedByChild(written), L"read:select disk 3\n;");
}

TEST_F(Win32ScriptFilesTest, LinkAtTheNameIsRemovedNotFollowed) {
    const std::wstring target = Path(L"target.txt");
    const std::wstring path = Path(L"diskactive.script");
    PlaceFile(target, "mine", FILE_ATTRIBUTE_NORMAL);
    if (!CreateSymbolicLinkW(path.c_str(), target.c_str(), 0)) {
        GTEST_SKIP() << "this system makes no symbolic links (error " << GetLastError() << ")";
    }
    ScriptFileCreation created = files_.CreateHeld(path, "select disk 4\n");
    ASSERT_TRUE(created.Ok()) << created.error;
    EXPECT_EQ(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_REPARSE_POINT, 0u);
    EXPECT_EQ(ReadAll(target), "mine");
    EXPECT_EQ(ReadAll(path), "select disk 4\n");
}

TEST_F(Win32ScriptFilesTest, FolderWithContentAtTheNameIsRefused) {
    const std::wstring path = Path(L"diskdel.script");
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
    PlaceFile(path + L"\\inside.txt", "x", FILE_ATTRIBUTE_NORMAL);
    const ScriptFileCreation created = files_.CreateHeld(path, "select disk 3\n");
    EXPECT_FALSE(created.Ok());
    EXPECT_NE(created.error, 0u);
    DeleteFileW((path + L"\\inside.txt").c_str());
    RemoveDirectoryW(path.c_str());

    // An empty folder goes, and the file takes its name.
    ASSERT_TRUE(CreateDirectoryW(path.c_str(), nullptr));
    ScriptFileCreation replaced = files_.CreateHeld(path, "select disk 3\n");
    EXPECT_TRUE(replaced.Ok()) << replaced.error;
}

TEST_F(Win32ScriptFilesTest, SystemDriveFromTheEnvironment) {
    wchar_t saved[MAX_PATH] = L"";
    const DWORD had = GetEnvironmentVariableW(L"systemdrive", saved, MAX_PATH);
    SetEnvironmentVariableW(L"systemdrive", L"Q:");
    EXPECT_EQ(files_.SystemDrive(), std::wstring(L"Q:"));
    SetEnvironmentVariableW(L"systemdrive", nullptr);
    EXPECT_FALSE(files_.SystemDrive().has_value());
    SetEnvironmentVariableW(L"systemdrive", had != 0 ? saved : nullptr);
}

}  // namespace
}  // namespace norvale::test
