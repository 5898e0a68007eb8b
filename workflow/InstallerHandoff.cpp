#include "workflow/InstallerHandoff.h"

#include <windows.h>
#include <shlobj.h>
#include <shlwapi.h>

namespace installer_handoff {

const wchar_t kInstallerName[] = L"QrnOneKey.exe";

namespace {

constexpr wchar_t kXpMarker[] = L"xp.cfg";
constexpr wchar_t kWin7Marker[] = L"win7.cfg";
constexpr wchar_t kInstallerArguments[] = L" /set";
constexpr int kCommandLineRoom = 2048;

// Owns a kernel handle; null and INVALID_HANDLE_VALUE both mean none.
class KernelHandle {
public:
    explicit KernelHandle(HANDLE handle) : m_handle(handle) {}
    ~KernelHandle() {
        if (m_handle && m_handle != INVALID_HANDLE_VALUE)
            CloseHandle(m_handle);
    }
    KernelHandle(const KernelHandle&) = delete;
    KernelHandle& operator=(const KernelHandle&) = delete;
    HANDLE Get() const { return m_handle; }

private:
    HANDLE m_handle;
};

}  // namespace

std::wstring Beside(const wchar_t* file, const wchar_t* name) {
    wchar_t path[MAX_PATH + 4];
    lstrcpynW(path, file, MAX_PATH + 3);
    const std::wstring relative = std::wstring(L"..\\") + name;
    if (!PathAppendW(path, relative.c_str()))
        return std::wstring();
    return path;
}

std::wstring PlaceInstaller(const wchar_t* imagePath, SystemChoice choice,
                            const wchar_t* programPath) {
    const std::wstring source = Beside(programPath, kInstallerName);
    const std::wstring copy = Beside(imagePath, kInstallerName);
    CopyFileW(source.c_str(), copy.c_str(), FALSE);
    const std::wstring xp = Beside(imagePath, kXpMarker);
    const std::wstring win7 = Beside(imagePath, kWin7Marker);
    DeleteFileW(xp.c_str());
    DeleteFileW(win7.c_str());
    if (choice == 1 || choice == 2)
        CreateMarkerFile(xp.c_str());
    else if (choice == 3 || choice == 4)
        CreateMarkerFile(win7.c_str());
    return copy;
}

bool CreateMarkerFile(const wchar_t* path) {
    wchar_t folder[MAX_PATH];
    lstrcpynW(folder, path, MAX_PATH);
    PathRemoveFileSpecW(folder);
    SHCreateDirectoryExW(nullptr, folder, nullptr);
    // CREATE_NEW: a marker already there is left untouched.
    KernelHandle file(
        CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    return PathFileExistsW(path) != FALSE;
}

bool RunInstaller(const wchar_t* path) {
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_SHOW;
    // CreateProcessW may write into its command line.
    wchar_t commandLine[kCommandLineRoom];
    lstrcpynW(commandLine, kInstallerArguments, kCommandLineRoom);
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(path, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return false;
    KernelHandle processHandle(process.hProcess);
    KernelHandle threadHandle(process.hThread);
    return WaitForSingleObject(processHandle.Get(), INFINITE) == WAIT_OBJECT_0;
}

}  // namespace installer_handoff
