#include "workflow/SystemProbe.h"

#include <shlwapi.h>

#include "base/DebugLog.h"

namespace {

UINT RealDriveType(const wchar_t* root) {
    return GetDriveTypeW(root);
}

bool RealFreeBytes(const wchar_t* root, ULONGLONG* bytes) {
    ULARGE_INTEGER totalFree{};
    // Only the volume's total free bytes: not what a quota leaves the caller, not its size.
    if (!GetDiskFreeSpaceExW(root, nullptr, nullptr, &totalFree))
        return false;
    *bytes = totalFree.QuadPart;
    return true;
}

constexpr DriveQueries kRealDrives{RealDriveType, RealFreeBytes};

constexpr ULONGLONG kGiB = 1073741824ull;
constexpr DWORD kSecondsPerDay = 86400;
// Ticks of 100 ns between 1601-01-01 and 1970-01-01.
constexpr ULONGLONG kUnixEpochTicks = 116444736000000000ull;
constexpr ULONGLONG kTicksPerSecond = 10000000ull;
constexpr int kWindows7Code = 13;
constexpr int kRenameBackTries = 5;

}  // namespace

const wchar_t* ImageNameOf(SystemChoice choice) {
    switch (choice) {
        case 1:
            return L"xp";
        case 3:
            return L"win7u32";
        case 4:
            return L"win7u64";
        default:
            return nullptr;
    }
}

const DriveQueries& RealDriveQueries() {
    return kRealDrives;
}

ULONGLONG MinimumFreeBytes(SystemChoice choice) {
    switch (choice) {
        case 1:
            return kGiB;
        case 3:
            return 4 * kGiB;
        default:
            return 0;
    }
}

bool FindTargetPath(SystemChoice choice, wchar_t* path, const DriveQueries& drives) {
    path[0] = L'\0';
    const wchar_t* image = ImageNameOf(choice);
    if (!image)
        return false;
    ULONGLONG best = 0;
    for (wchar_t letter = L'D'; letter <= L'Z'; ++letter) {
        const wchar_t root[] = {letter, L':', L'\0'};
        if (drives.driveType(root) != DRIVE_FIXED)
            continue;
        wchar_t leftover[MAX_PATH];
        wnsprintfW(leftover, MAX_PATH, L"%c:\\ghofile\\%s.qrn.td", letter, image);
        if (PathFileExistsW(leftover))
            DeleteFileW(leftover);
        ULONGLONG free = 0;
        if (!drives.freeBytes(root, &free))
            free = 0;
        // Strictly greater: a later drive with the same room does not replace an earlier one.
        if (free > best) {
            wnsprintfW(path, MAX_PATH + 3, L"%c:\\ghofile\\%s.qrn", letter, image);
            best = free;
        }
    }
    if (best < MinimumFreeBytes(choice))
        path[0] = L'\0';
    return path[0] != L'\0';
}

int ClassifyOsVersion(DWORD platformId, DWORD major, DWORD minor, BYTE productType, WORD suiteMask,
                      bool serverR2, WORD nativeArch) {
    if (platformId != VER_PLATFORM_WIN32_NT)
        return 0;
    const bool workstation = productType == VER_NT_WORKSTATION;
    if (major == 5 && minor == 0) {
        if (workstation)
            return 1;
        if (suiteMask & VER_SUITE_DATACENTER)
            return 2;
        if (suiteMask & VER_SUITE_ENTERPRISE)
            return 3;
        return 4;
    }
    if (major == 5 && minor == 1)
        return (suiteMask & VER_SUITE_PERSONAL) ? 5 : 6;
    if (major == 5 && minor == 2) {
        if (serverR2)
            return 8;
        if (suiteMask & VER_SUITE_STORAGE_SERVER)
            return 9;
        if (suiteMask & VER_SUITE_WH_SERVER)
            return 10;
        if (workstation && nativeArch == PROCESSOR_ARCHITECTURE_AMD64)
            return 7;
        return 11;
    }
    if (major == 6 && minor == 0)
        return workstation ? 12 : 14;
    if (major == 6 && minor == 1)
        return workstation ? 13 : 15;
    if (major == 6 && minor == 2)
        return 16;
    return 0;
}

int GetOsVersionCode() {
    // 0 is not cached: an unknown system is asked again on the next call.
    static int cached = 0;
    if (cached != 0)
        return cached;
    OSVERSIONINFOEXW version{};
    version.dwOSVersionInfoSize = sizeof version;
    // GetVersionExW is deprecated for new code, but the classification needs exactly what the
    // system reports to a program without a compatibility manifest entry.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
    if (!GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&version)))
        return 0;
#pragma GCC diagnostic pop
    SYSTEM_INFO native{};
    GetNativeSystemInfo(&native);
    const bool r2 = version.dwMajorVersion == 5 && version.dwMinorVersion == 2 &&
                    GetSystemMetrics(SM_SERVERR2) != 0;
    cached = ClassifyOsVersion(version.dwPlatformId, version.dwMajorVersion, version.dwMinorVersion,
                               version.wProductType, version.wSuiteMask, r2,
                               native.wProcessorArchitecture);
    return cached;
}

DWORD GetInstallDate() {
    HKEY key = nullptr;
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows NT\\CurrentVersion", 0,
                      KEY_QUERY_VALUE | KEY_WOW64_64KEY, &key) != ERROR_SUCCESS)
        return 0;
    DWORD value = 0;
    DWORD type = 0;
    DWORD size = sizeof value;
    const LONG read = RegQueryValueExW(key, L"InstallDate", nullptr, &type,
                                       reinterpret_cast<BYTE*>(&value), &size);
    RegCloseKey(key);
    return read == ERROR_SUCCESS && type == REG_DWORD ? value : 0;
}

DWORD UnixTimeOf(const SYSTEMTIME& utc) {
    FILETIME file{};
    if (!SystemTimeToFileTime(&utc, &file))
        return 0;
    const ULONGLONG ticks =
        (static_cast<ULONGLONG>(file.dwHighDateTime) << 32) | file.dwLowDateTime;
    return static_cast<DWORD>((ticks - kUnixEpochTicks) / kTicksPerSecond);
}

DWORD GetUnixTimeNow() {
    SYSTEMTIME now{};
    GetSystemTime(&now);
    return UnixTimeOf(now);
}

DWORD InstalledDays(DWORD now, DWORD installDate) {
    return (now - installDate) / kSecondsPerDay;
}

bool ProbeXpRefused(int versionCode, const std::wstring& systemDir) {
    if (versionCode < kWindows7Code)
        return false;
    wchar_t boot[MAX_PATH];
    lstrcpynW(boot, systemDir.c_str(), MAX_PATH);
    if (!PathAppendW(boot, L"Boot"))
        return false;
    const std::wstring moved = std::wstring(boot) + L"_qrn";
    if (PathFileExistsW(boot)) {
        if (!MoveFileW(boot, moved.c_str()))
            return false;
        // The folder belongs to the system: it must not stay under the other name.
        bool back = false;
        for (int attempt = 0; attempt < kRenameBackTries && !back; ++attempt) {
            if (attempt > 0)
                Sleep(100);
            back = MoveFileW(moved.c_str(), boot) != FALSE;
        }
        if (!back)
            WriteLog(L"无法将 %s 改回 %s, 错误码 %lu\n", moved.c_str(), boot, GetLastError());
    }
    return true;
}
