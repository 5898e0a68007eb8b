// What the workflow learns about the machine: the Windows version, when Windows was installed,
// the time now, the image of a choice, and the drive the image goes to.
#pragma once

#include <windows.h>

#include <string>

// 1 Windows XP, 2 Windows XP as well (no image name), 3 Windows 7 Ultimate 32-bit, 4 Windows 7
// Ultimate 64-bit. The window only ever sets 1 and 3.
using SystemChoice = int;

constexpr SystemChoice kChoiceXp = 1;
constexpr SystemChoice kChoiceWin7 = 3;

// "xp", "win7u32", "win7u64", or null for a choice without an image.
const wchar_t* ImageNameOf(SystemChoice choice);

// The drive facts the target search reads; the real ones by default. Tests replace them where
// the platform cannot make the case (ties, thresholds to the byte, removable drives).
struct DriveQueries {
    UINT (*driveType)(const wchar_t* root);
    // Total free bytes of the volume; false when the call fails.
    bool (*freeBytes)(const wchar_t* root, ULONGLONG* bytes);
};
const DriveQueries& RealDriveQueries();

// Room that `choice` needs on its drive, 0 for none.
ULONGLONG MinimumFreeBytes(SystemChoice choice);

// Fills `path` (room for MAX_PATH + 3 characters with the terminator) with
// "<drive>:\ghofile\<image>.qrn" on the fixed drive from D to Z with the most free space, the
// earlier letter on a tie, or leaves it empty when none has the room the choice needs. A
// leftover "<image>.qrn.td" is deleted on every fixed drive on the way. A choice without an
// image name finds nothing and touches nothing.
bool FindTargetPath(SystemChoice choice, wchar_t* path,
                    const DriveQueries& drives = RealDriveQueries());

// The version code of the running system (1 to 16, 0 when unknown), computed once.
int GetOsVersionCode();
// The code for the given facts; serverR2 is GetSystemMetrics(SM_SERVERR2) and nativeArch the
// native processor architecture.
int ClassifyOsVersion(DWORD platformId, DWORD major, DWORD minor, BYTE productType, WORD suiteMask,
                      bool serverR2, WORD nativeArch);

// Seconds since 1970 at which Windows was installed, 0 when the registry does not say.
DWORD GetInstallDate();
// Seconds since 1970, now (UTC).
DWORD GetUnixTimeNow();
// Seconds since 1970 of a UTC time.
DWORD UnixTimeOf(const SYSTEMTIME& utc);
// Whole days between `installDate` and `now`, in unsigned 32-bit arithmetic as the system-check
// sentence counts them.
DWORD InstalledDays(DWORD now, DWORD installDate);

// True when this system cannot take Windows XP: a system of the Windows 7 generation or later
// (version code 13 and up) on which the boot folder beside the system files is absent or can be
// moved. The probe renames "<systemDir>\Boot" to "Boot_qrn" and back; a rename back that fails
// is tried again and logged, never left silent.
bool ProbeXpRefused(int versionCode, const std::wstring& systemDir);
