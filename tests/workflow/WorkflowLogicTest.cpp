#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <limits>
#include <set>
#include <string>
#include <vector>

#include "tests/support/FileBytes.h"
#include "tests/support/TestEnv.h"
#include "workflow/InstallerHandoff.h"
#include "workflow/MainTexts.h"
#include "workflow/ProgressFigures.h"
#include "workflow/SystemProbe.h"

namespace fs = std::filesystem;

namespace {

using testenv::Utf8;

constexpr ULONGLONG kGiB = 1073741824ull;

// The stand-in's path as the program would see its own: CMake spells it with forward slashes,
// GetModuleFileNameW with backslashes, and the shell's path functions only split at the latter.
std::wstring StandInPath() {
    std::wstring path = L"" QUORRIN_STANDIN;
    std::replace(path.begin(), path.end(), L'/', L'\\');
    return path;
}

// A folder of this test's own on the sandbox drive, fresh for every test and removed after it.
class SandboxTest : public testing::Test {
protected:
    const fs::path root_ = L"D:\\wflogic";

    void SetUp() override {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
        ASSERT_TRUE(fs::create_directories(root_));
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove_all(root_, ignored);
        EXPECT_FALSE(fs::exists(root_)) << "sandbox folder left behind";
    }
};

// ---------------------------------------------------------------------------------------------
// Progress figures

TEST(ProgressFigures, PositionAndMinutes) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const double huge = std::numeric_limits<double>::max();
    constexpr int kMax = ProgressFigures::kMaxMinutes;
    struct Case {
        const char* name;
        double d, t, v;
        int position, minutes;
    };
    const Case cases[] = {
        {"nothing known yet", 0, 0, 0, 0, 0},
        {"total unknown", 5, 0, 100, 0, 0},
        {"no speed", 1, 3, 0, 33, 0},
        {"position truncates a third", 1, 3, 512, 33, 0},
        {"position truncates two thirds", 2, 3, 512, 66, 0},
        {"just below 100 percent", 999.9, 1000, 512, 99, 0},
        {"complete", 3, 3, 512, 100, 0},
        {"119.9 s is one minute", 0.1, 120, 1024, 0, 1},
        {"120 s is two minutes", 0, 120, 1024, 0, 2},
        {"59.9 s is no minute", 0.1, 60, 1024, 0, 0},
        {"last minute below the cap", 0, 99998.0 * 60, 1024, 0, 99998},
        {"cap reached exactly", 0, 99999.0 * 60, 1024, 0, kMax},
        {"past the cap", 0, 100000.0 * 60, 1024, 0, kMax},
        {"downloaded past the total", 4, 3, 512, 100, 0},
        {"negative downloaded", -1, 3, 1024, 0, 0},
        {"negative downloaded, long wait", -1, 119, 1024, 0, 2},
        {"negative total", 1, -3, 512, 0, 0},
        {"negative speed", 1, 3, -512, 33, 0},
        {"tiny speed", 0, 3000, 1e-300, 0, kMax},
        {"tiny total", 1, 1e-300, 512, 100, 0},
        {"downloaded overflows the percent", huge, huge, 512, 100, 0},
        {"huge downloaded", huge, 1, 512, 100, 0},
        {"NaN downloaded", nan, 3, 1024, 0, 0},
        {"NaN total", 1, nan, 1024, 0, 0},
        {"NaN speed", 1, 3, nan, 33, 0},
        {"infinite downloaded", inf, 3, 1024, 0, 0},
        {"infinite total", 1, inf, 1024, 0, 0},
        {"infinite speed", 1, 3, inf, 33, 0},
    };
    for (const Case& c : cases) {
        const ProgressFigures f = ProgressFigures::Compute(c.d, c.t, c.v);
        EXPECT_EQ(f.position, c.position) << c.name;
        EXPECT_EQ(f.minutes, c.minutes) << c.name;
    }
}

TEST(ProgressFigures, Texts) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    struct Case {
        double d, t, v;
        const wchar_t* speed;
        const wchar_t* status;
    };
    const Case cases[] = {
        // (3 - 1.5) x 1024 / 512 = 3 s, no whole minute.
        {1.5, 3, 512, L" 512.00KB/秒。",
         L"总大小:3.00MB,已下载：1.50MB 估计系统安装成功时间为：0分钟"},
        // (700.006 - 100.004) x 1024 / 102.4 = 6000.02 s, 100 minutes; two decimals round.
        {100.004, 700.006, 102.4, L" 102.40KB/秒。",
         L"总大小:700.01MB,已下载：100.00MB 估计系统安装成功时间为：100分钟"},
        // Figures that are not numbers never reach the window as "nan" or "inf".
        {nan, inf, -inf, L" 0.00KB/秒。",
         L"总大小:0.00MB,已下载：0.00MB 估计系统安装成功时间为：0分钟"},
        {0, 3000, 1e-300, L" 0.00KB/秒。",
         L"总大小:3000.00MB,已下载：0.00MB 估计系统安装成功时间为：99999分钟"},
    };
    for (const Case& c : cases) {
        const ProgressFigures f = ProgressFigures::Compute(c.d, c.t, c.v);
        EXPECT_EQ(f.SpeedText(), c.speed) << Utf8(f.SpeedText());
        EXPECT_EQ(f.StatusText(), c.status) << Utf8(f.StatusText());
    }
}

// ---------------------------------------------------------------------------------------------
// Installation age, time and captions

TEST(MainTexts, CheckSentenceByInstallationAge) {
    constexpr DWORD kNow = 1700000000;
    struct Case {
        const char* name;
        DWORD now, installDate;
        DWORD days;
        const wchar_t* age;  // "超过N天", or null for the general sentence
    };
    const Case cases[] = {
        {"installed just now", kNow, kNow, 0, nullptr},
        {"exactly 90 days", kNow, kNow - 7776000, 90, nullptr},
        {"a second past 90 days", kNow, kNow - 7776001, 90, nullptr},
        {"a second short of 91 days", kNow, kNow - 7862399, 90, nullptr},
        {"exactly 91 days", kNow, kNow - 7862400, 91, L"超过91天"},
        {"no install date", kNow, 0, 19675, L"超过19675天"},
        // A clock set before the install date wraps around, as the sentence counts days.
        {"clock behind the install date", kNow, kNow + 1, 49710, L"超过49710天"},
    };
    for (const Case& c : cases) {
        const DWORD days = InstalledDays(c.now, c.installDate);
        EXPECT_EQ(days, c.days) << c.name;
        const std::wstring sentence = main_texts::CheckSentence(days);
        if (c.age) {
            EXPECT_NE(sentence.find(c.age), std::wstring::npos) << c.name << ": " << Utf8(sentence);
            EXPECT_EQ(sentence.find(L"存在较多垃圾"), std::wstring::npos) << c.name;
        } else {
            EXPECT_NE(sentence.find(L"存在较多垃圾"), std::wstring::npos)
                << c.name << ": " << Utf8(sentence);
            EXPECT_EQ(sentence.find(L"超过"), std::wstring::npos) << c.name;
        }
    }
    // The whole age sentence once: its markup must stay balanced for the label.
    EXPECT_EQ(main_texts::CheckSentence(91),
              L"{&#font=6}{&#color=0x484848}系统体检，你的操作系统安装已经超过91天，"
              L"性能正在下降，建议立即更新系统。{&#/color}{&#/font}");
}

TEST(MainTexts, CaptionsRecommendExactlyOneSystem) {
    const std::wstring recommended = L"（{&#color=0x0080ff}推荐";
    struct Case {
        bool xpRefused;
        bool xpRecommended;
        bool xpGrey;
    };
    const Case cases[] = {{false, true, false}, {true, false, true}};
    for (const Case& c : cases) {
        const std::wstring xp = main_texts::XpCaption(c.xpRefused);
        const std::wstring win7 = main_texts::Win7Caption(c.xpRefused);
        EXPECT_EQ(xp.find(recommended) != std::wstring::npos, c.xpRecommended) << Utf8(xp);
        EXPECT_EQ(win7.find(recommended) != std::wstring::npos, !c.xpRecommended) << Utf8(win7);
        EXPECT_EQ(xp.find(L"{&#color=0xCCCCCC}WinXP") != std::wstring::npos, c.xpGrey) << Utf8(xp);
        EXPECT_NE(win7.find(L"Win7旗舰版"), std::wstring::npos);
    }
}

TEST(SystemProbe, UnixTime) {
    struct Case {
        SYSTEMTIME utc;
        DWORD seconds;
    };
    const Case cases[] = {
        {{1970, 1, 4, 1, 0, 0, 0, 0}, 0},
        {{2009, 2, 5, 13, 23, 31, 30, 0}, 1234567890},
        // Milliseconds are dropped, not rounded.
        {{2009, 2, 5, 13, 23, 31, 30, 999}, 1234567890},
        {{2038, 1, 2, 19, 3, 14, 8, 0}, 2147483648u},
        {{2106, 2, 0, 7, 6, 28, 15, 0}, 4294967295u},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(UnixTimeOf(c.utc), c.seconds) << c.utc.wYear;
    }

    const std::time_t before = std::time(nullptr);
    const DWORD now = GetUnixTimeNow();
    const std::time_t after = std::time(nullptr);
    EXPECT_GE(static_cast<std::time_t>(now) + 1, before);
    EXPECT_LE(static_cast<std::time_t>(now), after + 1);
}

// ---------------------------------------------------------------------------------------------
// Version classification and images

TEST(SystemProbe, ClassifyOsVersionCoversEveryCode) {
    constexpr DWORD kNt = VER_PLATFORM_WIN32_NT;
    constexpr BYTE kWs = VER_NT_WORKSTATION;
    constexpr BYTE kSrv = VER_NT_SERVER;
    constexpr BYTE kDc = VER_NT_DOMAIN_CONTROLLER;
    constexpr WORD kX64 = PROCESSOR_ARCHITECTURE_AMD64;
    constexpr WORD kX86 = PROCESSOR_ARCHITECTURE_INTEL;
    struct Case {
        const char* name;
        DWORD platform, major, minor;
        BYTE product;
        WORD suite;
        bool r2;
        WORD arch;
        int code;
    };
    const Case cases[] = {
        {"Windows 98", VER_PLATFORM_WIN32_WINDOWS, 4, 10, 0, 0, false, kX86, 0},
        {"Windows 98 claiming 6.1", VER_PLATFORM_WIN32_WINDOWS, 6, 1, kWs, 0, false, kX86, 0},
        {"NT 4.0", kNt, 4, 0, kWs, 0, false, kX86, 0},
        {"2000 Professional", kNt, 5, 0, kWs, 0, false, kX86, 1},
        {"2000 Professional, server suites", kNt, 5, 0, kWs,
         VER_SUITE_DATACENTER | VER_SUITE_ENTERPRISE, false, kX86, 1},
        {"2000 Datacenter over Advanced", kNt, 5, 0, kSrv,
         VER_SUITE_DATACENTER | VER_SUITE_ENTERPRISE, false, kX86, 2},
        {"2000 Advanced Server", kNt, 5, 0, kSrv, VER_SUITE_ENTERPRISE, false, kX86, 3},
        {"2000 Server", kNt, 5, 0, kSrv, 0, false, kX86, 4},
        {"2000 Server, domain controller", kNt, 5, 0, kDc, 0, false, kX86, 4},
        {"XP Home", kNt, 5, 1, kWs, VER_SUITE_PERSONAL, false, kX86, 5},
        {"XP Professional", kNt, 5, 1, kWs, 0, false, kX86, 6},
        {"XP Professional x64", kNt, 5, 2, kWs, 0, false, kX64, 7},
        {"2003 R2 over Storage", kNt, 5, 2, kSrv, VER_SUITE_STORAGE_SERVER, true, kX86, 8},
        {"2003 Storage over Home Server", kNt, 5, 2, kSrv,
         VER_SUITE_STORAGE_SERVER | VER_SUITE_WH_SERVER, false, kX86, 9},
        {"Home Server", kNt, 5, 2, kSrv, VER_SUITE_WH_SERVER, false, kX86, 10},
        {"5.2 workstation on x86", kNt, 5, 2, kWs, 0, false, kX86, 11},
        {"2003 on x64", kNt, 5, 2, kSrv, 0, false, kX64, 11},
        {"Vista", kNt, 6, 0, kWs, 0, false, kX64, 12},
        {"7", kNt, 6, 1, kWs, 0, false, kX86, 13},
        {"Server 2008", kNt, 6, 0, kSrv, 0, false, kX64, 14},
        {"Server 2008 R2", kNt, 6, 1, kSrv, 0, false, kX64, 15},
        {"Server 2008 R2, domain controller", kNt, 6, 1, kDc, 0, false, kX64, 15},
        {"8", kNt, 6, 2, kWs, 0, false, kX64, 16},
        {"Server 2012", kNt, 6, 2, kSrv, 0, false, kX64, 16},
        {"8.1", kNt, 6, 3, kWs, 0, false, kX64, 0},
        {"10", kNt, 10, 0, kWs, 0, false, kX64, 0},
    };
    std::set<int> seen;
    for (const Case& c : cases) {
        EXPECT_EQ(ClassifyOsVersion(c.platform, c.major, c.minor, c.product, c.suite, c.r2, c.arch),
                  c.code)
            << c.name;
        seen.insert(c.code);
    }
    EXPECT_EQ(seen.size(), 17u) << "the table must reach every code from 0 to 16";
}

TEST(SystemProbe, ImageNames) {
    struct Case {
        SystemChoice choice;
        const wchar_t* image;
    };
    const Case cases[] = {{0, nullptr},    {1, L"xp"},   {2, nullptr}, {3, L"win7u32"},
                          {4, L"win7u64"}, {5, nullptr}, {-1, nullptr}};
    for (const Case& c : cases) {
        const wchar_t* image = ImageNameOf(c.choice);
        if (c.image) {
            ASSERT_NE(image, nullptr) << c.choice;
            EXPECT_STREQ(image, c.image) << c.choice;
        } else {
            EXPECT_EQ(image, nullptr) << c.choice;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Target drive search, with drives the tests describe

struct FakeDrive {
    UINT type = DRIVE_NO_ROOT_DIR;
    ULONGLONG free = 0;
    bool freeFails = false;
};

// The fakes are plain functions, so what they read and record lives here.
FakeDrive g_drives[26];
std::vector<std::wstring> g_typeQueries;
std::vector<std::wstring> g_freeQueries;

const FakeDrive& DriveOf(const wchar_t* root) {
    static const FakeDrive kNone;
    const int index = root[0] - L'A';
    return index >= 0 && index < 26 ? g_drives[index] : kNone;
}

UINT FakeDriveType(const wchar_t* root) {
    g_typeQueries.push_back(root);
    return DriveOf(root).type;
}

bool FakeFreeBytes(const wchar_t* root, ULONGLONG* bytes) {
    g_freeQueries.push_back(root);
    const FakeDrive& drive = DriveOf(root);
    if (drive.freeFails) {
        // A failed call leaves no promise about the output: a huge value must not count.
        *bytes = 1000 * kGiB;
        return false;
    }
    *bytes = drive.free;
    return true;
}

constexpr DriveQueries kFakeDrives{FakeDriveType, FakeFreeBytes};

struct DriveSetup {
    wchar_t letter;
    UINT type;
    ULONGLONG free;
    bool freeFails = false;
};

class FindTargetPathTest : public testing::Test {
protected:
    void SetUp() override { Describe({}); }

    static void Describe(const std::vector<DriveSetup>& drives) {
        std::fill(std::begin(g_drives), std::end(g_drives), FakeDrive{});
        for (const DriveSetup& d : drives) {
            g_drives[d.letter - L'A'] = FakeDrive{d.type, d.free, d.freeFails};
        }
        g_typeQueries.clear();
        g_freeQueries.clear();
    }

    // The path found, "" for none; checks that the result agrees with the path.
    static std::wstring Find(SystemChoice choice) {
        // The window's buffer size; filled with junk so that "left empty" is seen to be done.
        wchar_t path[MAX_PATH + 4];
        std::fill(std::begin(path), std::end(path), L'#');
        path[MAX_PATH + 3] = L'\0';
        const bool found = FindTargetPath(choice, path, kFakeDrives);
        EXPECT_EQ(found, path[0] != L'\0') << Utf8(path);
        return path;
    }
};

TEST_F(FindTargetPathTest, FixedDriveWithMostRoom) {
    struct Case {
        const char* name;
        SystemChoice choice;
        std::vector<DriveSetup> drives;
        const wchar_t* path;
    };
    const Case cases[] = {
        {"tie keeps the earlier letter, removable skipped",
         3,
         {{L'D', DRIVE_FIXED, 10 * kGiB},
          {L'E', DRIVE_REMOVABLE, 50 * kGiB},
          {L'F', DRIVE_FIXED, 10 * kGiB}},
         L"D:\\ghofile\\win7u32.qrn"},
        {"a later letter with more room wins, up to Z",
         3,
         {{L'D', DRIVE_FIXED, 5 * kGiB},
          {L'F', DRIVE_FIXED, 6 * kGiB},
          {L'Z', DRIVE_FIXED, 7 * kGiB}},
         L"Z:\\ghofile\\win7u32.qrn"},
        {"only fixed drives count",
         3,
         {{L'D', DRIVE_CDROM, 50 * kGiB},
          {L'E', DRIVE_REMOTE, 50 * kGiB},
          {L'F', DRIVE_RAMDISK, 50 * kGiB},
          {L'G', DRIVE_UNKNOWN, 50 * kGiB},
          {L'H', DRIVE_FIXED, 5 * kGiB}},
         L"H:\\ghofile\\win7u32.qrn"},
        {"drive C is never a target",
         1,
         {{L'C', DRIVE_FIXED, 100 * kGiB}, {L'D', DRIVE_FIXED, 2 * kGiB}},
         L"D:\\ghofile\\xp.qrn"},
        {"a failing free-space query counts as none",
         3,
         {{L'D', DRIVE_FIXED, 0, true}, {L'E', DRIVE_FIXED, 5 * kGiB}},
         L"E:\\ghofile\\win7u32.qrn"},
        {"a failing free-space query alone finds nothing", 1, {{L'D', DRIVE_FIXED, 0, true}}, L""},
        {"no fixed drive", 1, {{L'D', DRIVE_REMOVABLE, 50 * kGiB}}, L""},
        {"64-bit image", 4, {{L'E', DRIVE_FIXED, 10 * kGiB}}, L"E:\\ghofile\\win7u64.qrn"},
        {"choice without an image", 2, {{L'D', DRIVE_FIXED, 10 * kGiB}}, L""},
    };
    for (const Case& c : cases) {
        Describe(c.drives);
        EXPECT_EQ(Find(c.choice), c.path) << c.name;
    }
}

TEST_F(FindTargetPathTest, RoomNeededToTheByte) {
    struct Case {
        SystemChoice choice;
        ULONGLONG free;
        const wchar_t* path;
    };
    const Case cases[] = {
        {3, 4 * kGiB - 1, L""},
        {3, 4 * kGiB, L"D:\\ghofile\\win7u32.qrn"},
        {1, kGiB - 1, L""},
        {1, kGiB, L"D:\\ghofile\\xp.qrn"},
        {1, 0, L""},
    };
    for (const Case& c : cases) {
        // The winner is written while searching: below the need it must still be taken back.
        Describe({{L'D', DRIVE_FIXED, c.free}});
        EXPECT_EQ(Find(c.choice), c.path) << c.choice << " with " << c.free << " bytes";
    }
}

TEST_F(FindTargetPathTest, AsksEveryLetterFromDToZOnly) {
    Describe({{L'D', DRIVE_FIXED, 10 * kGiB}, {L'K', DRIVE_REMOVABLE, 10 * kGiB}});
    Find(kChoiceWin7);
    ASSERT_EQ(g_typeQueries.size(), 23u);
    for (size_t i = 0; i < g_typeQueries.size(); ++i) {
        const std::wstring root = {static_cast<wchar_t>(L'D' + i), L':'};
        EXPECT_EQ(g_typeQueries[i].substr(0, 2), root) << i;
    }
    for (const std::wstring& root : g_freeQueries) {
        EXPECT_GE(root[0], L'D') << Utf8(root);
    }

    // A choice without an image asks nothing at all.
    Describe({{L'D', DRIVE_FIXED, 10 * kGiB}});
    EXPECT_EQ(Find(2), L"");
    EXPECT_TRUE(g_typeQueries.empty());
    EXPECT_TRUE(g_freeQueries.empty());
}

TEST(SystemProbe, RealDriveQueriesSeeTheSandbox) {
    const DriveQueries& real = RealDriveQueries();
    EXPECT_EQ(real.driveType(L"D:\\"), static_cast<UINT>(DRIVE_FIXED));
    ULONGLONG free = 0;
    EXPECT_TRUE(real.freeBytes(L"D:\\", &free));
    EXPECT_GT(free, 0u);
    // No drive Q: in the prefix.
    EXPECT_FALSE(real.freeBytes(L"Q:\\", &free));
}

// Leftovers live in the fixed "<drive>:\ghofile" folder, so this works on the real D:\ghofile.
class LeftoverTest : public FindTargetPathTest {
protected:
    const fs::path folder_ = L"D:\\ghofile";
    const fs::path leftover_ = folder_ / L"xp.qrn.td";
    const fs::path otherImage_ = folder_ / L"win7u32.qrn.td";
    bool createdFolder_ = false;

    void SetUp() override {
        FindTargetPathTest::SetUp();
        createdFolder_ = fs::create_directories(folder_);
        ASSERT_FALSE(fs::exists(leftover_)) << "a leftover that is not this test's";
        ASSERT_FALSE(fs::exists(otherImage_)) << "a leftover that is not this test's";
    }
    void TearDown() override {
        std::error_code ignored;
        fs::remove(leftover_, ignored);
        fs::remove(otherImage_, ignored);
        if (createdFolder_)
            fs::remove(folder_, ignored);
    }
};

TEST_F(LeftoverTest, DeletedOnEveryFixedDriveOnTheWay) {
    struct Case {
        const char* name;
        std::vector<DriveSetup> drives;
        const wchar_t* path;
        bool leftoverGone;
    };
    const Case cases[] = {
        {"D wins", {{L'D', DRIVE_FIXED, 10 * kGiB}}, L"D:\\ghofile\\xp.qrn", true},
        {"another drive wins",
         {{L'D', DRIVE_FIXED, 2 * kGiB}, {L'F', DRIVE_FIXED, 10 * kGiB}},
         L"F:\\ghofile\\xp.qrn",
         true},
        {"no drive has room", {{L'D', DRIVE_FIXED, 1}}, L"", true},
        {"free space unknown", {{L'D', DRIVE_FIXED, 0, true}}, L"", true},
        {"D removable",
         {{L'D', DRIVE_REMOVABLE, 10 * kGiB}, {L'F', DRIVE_FIXED, 10 * kGiB}},
         L"F:\\ghofile\\xp.qrn",
         false},
    };
    for (const Case& c : cases) {
        WriteBytes(leftover_, "partial");
        WriteBytes(otherImage_, "partial");
        Describe(c.drives);
        EXPECT_EQ(Find(kChoiceXp), c.path) << c.name;
        EXPECT_EQ(!fs::exists(leftover_), c.leftoverGone) << c.name;
        EXPECT_TRUE(fs::exists(otherImage_)) << c.name << ": another image's leftover is kept";
    }
}

// ---------------------------------------------------------------------------------------------
// XP refusal probe on a real folder standing for the system folder

class XpRefusalTest : public SandboxTest {};

TEST_F(XpRefusalTest, RenamesTheBootFolderAndBack) {
    struct Case {
        const char* name;
        int versionCode;
        bool boot;     // "Boot" exists, holding a file
        bool blocker;  // "Boot_qrn" exists, holding a file
        bool refused;
    };
    const Case cases[] = {
        {"Vista is never probed", 12, true, false, false},
        {"unknown system is never probed", 0, true, false, false},
        {"7 without a boot folder", 13, false, false, true},
        {"7 with a movable boot folder", 13, true, false, true},
        {"8 with a movable boot folder", 16, true, false, true},
        {"7 with a boot folder that cannot move", 13, true, true, false},
    };
    for (const Case& c : cases) {
        const fs::path system = root_ / L"system32";
        const fs::path boot = system / L"Boot";
        const fs::path moved = system / L"Boot_qrn";
        std::error_code ignored;
        fs::remove_all(system, ignored);
        ASSERT_TRUE(fs::create_directories(system));
        if (c.boot) {
            fs::create_directory(boot);
            WriteBytes(boot / L"bootmgr.dat", "boot");
        }
        if (c.blocker) {
            fs::create_directory(moved);
            WriteBytes(moved / L"other.dat", "other");
        }

        EXPECT_EQ(ProbeXpRefused(c.versionCode, system.wstring()), c.refused) << c.name;

        // Whatever the answer, the system folder is as it was.
        EXPECT_EQ(fs::is_directory(boot), c.boot) << c.name;
        if (c.boot) {
            EXPECT_EQ(ReadBytes(boot / L"bootmgr.dat"), "boot") << c.name;
        }
        EXPECT_EQ(fs::exists(moved), c.blocker) << c.name;
        if (c.blocker) {
            EXPECT_EQ(ReadBytes(moved / L"other.dat"), "other") << c.name;
            EXPECT_FALSE(fs::exists(moved / L"Boot")) << c.name;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Hand-off to the installer

TEST(InstallerHandoff, Beside) {
    using installer_handoff::Beside;
    EXPECT_EQ(Beside(L"D:\\a\\b\\img.qrn", L"x.cfg"), L"D:\\a\\b\\x.cfg");
    EXPECT_EQ(Beside(L"D:\\img.qrn", L"x.cfg"), L"D:\\x.cfg");
    EXPECT_EQ(Beside(L"D:\\ghofile\\win7u32.qrn", installer_handoff::kInstallerName),
              L"D:\\ghofile\\QrnOneKey.exe");
    const std::wstring standIn = StandInPath();
    EXPECT_EQ(Beside(standIn.c_str(), installer_handoff::kInstallerName), standIn);
}

class HandoffTest : public SandboxTest {
protected:
    fs::path folder_;
    fs::path image_;
    fs::path installer_;

    void SetUp() override {
        SandboxTest::SetUp();
        folder_ = root_ / L"ghofile";
        image_ = folder_ / L"win7u32.qrn";
        installer_ = folder_ / L"QrnOneKey.exe";
        ASSERT_TRUE(fs::create_directories(folder_));
        WriteBytes(image_, "image bytes");
    }

    std::wstring Place(SystemChoice choice) {
        return installer_handoff::PlaceInstaller(image_.c_str(), choice, StandInPath().c_str());
    }

    std::vector<std::string> ReceiptLines() const {
        std::vector<std::string> lines;
        const std::string text = ReadBytes(folder_ / L"QrnOneKey.receipt.txt");
        size_t start = 0;
        while (start < text.size()) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos)
                end = text.size();
            lines.push_back(text.substr(start, end - start));
            start = end + 1;
        }
        return lines;
    }
};

// Sets an environment variable that a started program inherits, for one test.
class ScopedEnv {
public:
    ScopedEnv(const wchar_t* name, const wchar_t* value) : name_(name) {
        SetEnvironmentVariableW(name, value);
    }
    ~ScopedEnv() { SetEnvironmentVariableW(name_, nullptr); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const wchar_t* name_;
};

TEST_F(HandoffTest, PlacesAFreshInstallerCopy) {
    WriteBytes(installer_, "junk that is not the installer");
    WriteBytes(folder_ / L"xp.cfg", "stale");

    EXPECT_EQ(Place(kChoiceWin7), installer_.wstring());

    const std::string source = ReadBytes(StandInPath());
    ASSERT_GT(source.size(), 0u);
    EXPECT_TRUE(ReadBytes(installer_) == source) << "the copy differs from the installer";
    EXPECT_FALSE(fs::exists(folder_ / L"xp.cfg"));
    ASSERT_TRUE(fs::exists(folder_ / L"win7.cfg"));
    EXPECT_EQ(fs::file_size(folder_ / L"win7.cfg"), 0u);
    EXPECT_EQ(ReadBytes(image_), "image bytes");
}

TEST_F(HandoffTest, OneFreshMarkerPerChoice) {
    struct Case {
        SystemChoice choice;
        bool xp, win7;
    };
    const Case cases[] = {
        {0, false, false}, {1, true, false}, {2, true, false},
        {3, false, true},  {4, false, true}, {5, false, false},
    };
    for (const Case& c : cases) {
        // Stale markers with content: a marker kept instead of made anew would show it.
        WriteBytes(folder_ / L"xp.cfg", "stale");
        WriteBytes(folder_ / L"win7.cfg", "stale");
        Place(c.choice);
        for (const auto& [name, expected] : {std::pair{L"xp.cfg", c.xp}, {L"win7.cfg", c.win7}}) {
            const fs::path marker = folder_ / name;
            EXPECT_EQ(fs::exists(marker), expected) << "choice " << c.choice << " " << Utf8(name);
            if (expected && fs::exists(marker)) {
                EXPECT_EQ(fs::file_size(marker), 0u) << "choice " << c.choice << " " << Utf8(name);
            }
        }
    }
}

TEST_F(HandoffTest, CreateMarkerFile) {
    const fs::path deep = root_ / L"a" / L"b" / L"c" / L"m.cfg";
    EXPECT_TRUE(installer_handoff::CreateMarkerFile(deep.c_str()));
    ASSERT_TRUE(fs::exists(deep));
    EXPECT_EQ(fs::file_size(deep), 0u);

    const fs::path existing = folder_ / L"kept.cfg";
    WriteBytes(existing, "keep me");
    EXPECT_TRUE(installer_handoff::CreateMarkerFile(existing.c_str()));
    EXPECT_EQ(ReadBytes(existing), "keep me");

    // A file where a folder is needed: nothing can be made there.
    const fs::path underFile = image_ / L"m.cfg";
    EXPECT_FALSE(installer_handoff::CreateMarkerFile(underFile.c_str()));
    EXPECT_EQ(ReadBytes(image_), "image bytes");
}

TEST_F(HandoffTest, RunsTheInstallerWithSetAndWaits) {
    const std::wstring installer = Place(kChoiceWin7);
    ASSERT_TRUE(fs::exists(installer));
    const ScopedEnv wait(L"QRNONEKEY_WAIT_MS", L"1500");

    EXPECT_TRUE(installer_handoff::RunInstaller(installer.c_str()));

    // The stand-in writes its receipt only after its wait: seeing it now proves the wait.
    ASSERT_TRUE(fs::exists(folder_ / L"QrnOneKey.receipt.txt"));
    const std::vector<std::string> lines = ReceiptLines();
    ASSERT_FALSE(lines.empty());
    const std::string prefix = "COMMAND_LINE ";
    ASSERT_EQ(lines[0].compare(0, prefix.size(), prefix), 0) << lines[0];
    EXPECT_EQ(lines[0].substr(prefix.size()), " /set");
    const std::vector<std::string> files = {
        "FILE win7.cfg 0", "FILE win7u32.qrn 11",
        "FILE QrnOneKey.exe " + std::to_string(fs::file_size(installer))};
    for (const std::string& file : files) {
        EXPECT_NE(std::find(lines.begin(), lines.end(), file), lines.end()) << file;
    }
    EXPECT_EQ(std::find(lines.begin(), lines.end(), "FILE xp.cfg 0"), lines.end());
}

TEST_F(HandoffTest, RunInstallerFailsOnAMissingProgram) {
    EXPECT_FALSE(installer_handoff::RunInstaller(installer_.c_str()));
    EXPECT_FALSE(fs::exists(folder_ / L"QrnOneKey.receipt.txt"));
}

}  // namespace
