// Runs the real main window and drives its progress page the way an hour-long download does:
// 880 progress ticks (one hour of 4.096 s ticks) with changing figures, then 200 page changes,
// and prints the working set, the heap in use and the GDI handles held by the program's owners
// before and after each, so that growth per tick or per page change shows. GetGuiResources is a
// stub under Wine, hence the owners' own count. The download manager never starts its worker, so
// nothing touches the network. Must run with the build directory (or a folder holding its res\)
// as the current directory: the skin images are read from .\res\.
// Usage: quorrin-window-bench [TICKS [CHANGES]]
// Prints "ticks=N wm_paints=P redraws=R ms_each=T working_set_kb_before=A after=B ..." and the
// same for "changes=N", then "closed ..." after the window has gone.
#include <windows.h>
#include <commctrl.h>
#include <objbase.h>
#include <psapi.h>

#include <curl/curl.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <memory>
#include <string>
#include <vector>

#include "download/quorrin_download_mgr.h"
#include "skin/GdiOwner.h"
#include "tests/support/OpenDownloadMgr.h"
#include "workflow/CMainDlg.h"

namespace {

constexpr int kDefaultTicks = 880;
constexpr int kDefaultChanges = 200;
// Enough to load every image, font and text layout the two pages use before counting.
constexpr int kWarmTicks = 20;
constexpr int kWarmChanges = 10;
constexpr UINT kRunMessage = WM_APP + 1;
// A queue that never runs dry would otherwise hold the benchmark forever.
constexpr int kMaxPumped = 10000;
constexpr std::int64_t kTotalBytes = 3435973836LL;  // 3.2 GiB, the size of a real image

struct Snapshot {
    unsigned long long workingSetKb = 0;
    // Bytes in use in every heap of the process: a leak of a few bytes a tick shows here long
    // before the working set moves by a page.
    unsigned long long heapBusyKb = 0;
    // The Linux process's data segment under Wine (0 elsewhere): what the heaps took from the
    // system.
    unsigned long long vmDataKb = 0;
    long liveGdi = 0;
    // Kernel handles of the process, from the system's handle table (GetProcessHandleCount is
    // not implemented under Wine); -1 when the table cannot be read.
    long kernelHandles = -1;
};

// The layout of the system handle table (information class 16), which the SDK headers leave out.
struct SystemHandleEntry {
    ULONG ownerPid;
    BYTE objectType;
    BYTE flags;
    USHORT value;
    PVOID object;
    ACCESS_MASK access;
};
struct SystemHandleTable {
    ULONG count;
    SystemHandleEntry handles[1];
};

long KernelHandleCount() {
    using QueryFn = LONG(WINAPI*)(ULONG, PVOID, ULONG, PULONG);
    constexpr ULONG kSystemHandleInformation = 16;
    constexpr LONG kInfoLengthMismatch = static_cast<LONG>(0xC0000004);
    const auto query = reinterpret_cast<QueryFn>(reinterpret_cast<void (*)()>(
        GetProcAddress(GetModuleHandleW(L"ntdll.dll"), "NtQuerySystemInformation")));
    if (!query)
        return -1;
    std::vector<unsigned char> buffer(1 << 16);
    for (int attempt = 0; attempt < 8; ++attempt) {
        ULONG needed = 0;
        const LONG status = query(kSystemHandleInformation, buffer.data(),
                                  static_cast<ULONG>(buffer.size()), &needed);
        if (status == kInfoLengthMismatch) {
            buffer.resize(std::max<size_t>(buffer.size() * 2, needed + 4096));
            continue;
        }
        if (status < 0)
            return -1;
        const auto* table = reinterpret_cast<const SystemHandleTable*>(buffer.data());
        const DWORD self = GetCurrentProcessId();
        long count = 0;
        for (ULONG i = 0; i < table->count; ++i) {
            if (table->handles[i].ownerPid == self)
                ++count;
        }
        return count;
    }
    return -1;
}

unsigned long long HeapBusyBytes() {
    std::vector<HANDLE> heaps(GetProcessHeaps(0, nullptr) + 8);
    heaps.resize(GetProcessHeaps(static_cast<DWORD>(heaps.size()), heaps.data()));
    unsigned long long busy = 0;
    for (HANDLE heap : heaps) {
        if (!HeapLock(heap))
            continue;
        PROCESS_HEAP_ENTRY entry{};
        while (HeapWalk(heap, &entry)) {
            if (entry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
                busy += entry.cbData;
        }
        HeapUnlock(heap);
    }
    return busy;
}

// Reads a "Name:   N kB" line of the Linux status file through Wine's drive Z:.
unsigned long long LinuxStatusKb(const char* name) {
    const HANDLE file =
        CreateFileW(L"Z:\\proc\\self\\status", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                    nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 0;
    std::string text;
    char buffer[4096];
    DWORD got = 0;
    while (ReadFile(file, buffer, sizeof buffer, &got, nullptr) && got > 0)
        text.append(buffer, got);
    CloseHandle(file);
    const std::string key = std::string("\n") + name + ":";
    const size_t at = text.find(key);
    return at == std::string::npos ? 0 : std::strtoull(text.c_str() + at + key.size(), nullptr, 10);
}

Snapshot Take() {
    Snapshot s;
    PROCESS_MEMORY_COUNTERS counters{};
    counters.cb = sizeof counters;
    if (GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        s.workingSetKb = counters.WorkingSetSize / 1024;
    s.heapBusyKb = HeapBusyBytes() / 1024;
    s.vmDataKb = LinuxStatusKb("VmData");
    s.liveGdi = gdi::LiveHandles().load();
    s.kernelHandles = KernelHandleCount();
    return s;
}

double Seconds(const LARGE_INTEGER& from, const LARGE_INTEGER& to) {
    LARGE_INTEGER frequency{};
    QueryPerformanceFrequency(&frequency);
    return static_cast<double>(to.QuadPart - from.QuadPart) /
           static_cast<double>(frequency.QuadPart);
}

void PrintPhase(const char* name, int count, int paints, int redraws, double seconds,
                const Snapshot& before, const Snapshot& after) {
    std::printf(
        "%s=%d wm_paints=%d redraws=%d ms_each=%.3f working_set_kb_before=%llu after=%llu "
        "heap_busy_kb_before=%llu "
        "after=%llu vm_data_kb_before=%llu after=%llu live_gdi_before=%ld after=%ld "
        "kernel_handles_before=%ld after=%ld\n",
        name, count, paints, redraws, count > 0 ? seconds * 1000 / count : 0.0, before.workingSetKb,
        after.workingSetKb, before.heapBusyKb, after.heapBusyKb, before.vmDataKb, after.vmDataKb,
        before.liveGdi, after.liveGdi, before.kernelHandles, after.kernelHandles);
    std::fflush(stdout);
}

class BenchDlg : public CMainDlg {
public:
    BenchDlg(int ticks, int changes)
        : CMainDlg(CloudConfig{}), m_ticks(ticks), m_changes(changes) {}

    BOOL ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result, DWORD messageMapId) override {
        if (message == WM_PAINT)
            ++m_paints;
        if (message == kRunMessage) {
            Run();
            result = 0;
            return TRUE;
        }
        const BOOL handled =
            CMainDlg::ProcessWindowMessage(window, message, wParam, lParam, result, messageMapId);
        // Run from the dialog's own modal loop, once the window is complete.
        if (message == WM_INITDIALOG)
            ::PostMessageW(window, kRunMessage, 0, 0);
        return handled;
    }

    // Every redraw a control asks for: drawn at once, or only invalidated while updates are locked
    // (a page change), then painted by the next WM_PAINT.
    void RedrawWnd(CSomWnd* w, const RECT* rcPart, BOOL eraseHidden, int part) override {
        ++m_redraws;
        CMainDlg::RedrawWnd(w, rcPart, eraseHidden, part);
    }

private:
    // Delivers what is queued, paints included, as the modal loop would between ticks.
    void Pump() {
        UpdateWindow(m_hWnd);
        MSG msg;
        for (int i = 0; i < kMaxPumped && PeekMessageW(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
            if (msg.message == WM_QUIT) {
                PostQuitMessage(static_cast<int>(msg.wParam));
                break;
            }
            if (!IsDialogMessageW(m_hWnd, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageW(&msg);
            }
        }
    }

    // Tick `i` of `count`: the image grows steadily and the rate wanders, so that the bar, the
    // speed and the status text change every time.
    void Tick(int i, int count) {
        m_pManager->downloaded = kTotalBytes / (count + 1) * i;
        m_pManager->average_rate = 200.0 + 150.0 * std::sin(i * 0.37) + (i % 7) * 11.0;
        OnProgressTick();
        Pump();
    }

    void ChangePage(int i) {
        ShowPage(i % 2 == 0 ? PAGE_CHOOSE : PAGE_PROGRESS);
        Pump();
    }

    void Run() {
        ShowWindow(m_hWnd, SW_SHOWNORMAL);
        Pump();
        // A manager that never starts its worker: the window reads only its counters.
        auto manager = std::make_unique<OpenDownloadMgr>(MakeLinks({"http://127.0.0.1:1/x"}),
                                                         "D:\\qbench\\x.qrn");
        m_pManager = manager.get();
        manager->finished = false;
        manager->total_size = kTotalBytes;
        manager->downloaded = 0;
        manager->average_rate = 0;
        m_pDownloadMgr = std::move(manager);
        ShowPage(PAGE_PROGRESS);
        Pump();

        for (int i = 0; i < kWarmTicks; ++i)
            Tick(i, kWarmTicks);
        for (int i = 0; i < kWarmChanges; ++i)
            ChangePage(i);
        ShowPage(PAGE_PROGRESS);
        Pump();
        const Snapshot warm = Take();

        LARGE_INTEGER start{};
        LARGE_INTEGER end{};
        m_paints = 0;
        m_redraws = 0;
        QueryPerformanceCounter(&start);
        for (int i = 0; i < m_ticks; ++i)
            Tick(i, m_ticks);
        QueryPerformanceCounter(&end);
        const Snapshot ticked = Take();
        PrintPhase("ticks", m_ticks, m_paints, m_redraws, Seconds(start, end), warm, ticked);

        m_paints = 0;
        m_redraws = 0;
        QueryPerformanceCounter(&start);
        for (int i = 0; i < m_changes; ++i)
            ChangePage(i);
        QueryPerformanceCounter(&end);
        const Snapshot changed = Take();
        PrintPhase("changes", m_changes, m_paints, m_redraws, Seconds(start, end), ticked, changed);

        m_pDownloadMgr.reset();
        EndDialog(0);
    }

    // The window's manager, with the counters in reach.
    OpenDownloadMgr* m_pManager = nullptr;
    int m_ticks;
    int m_changes;
    // WM_PAINT messages the window received: proof that the changes reached the screen.
    int m_paints = 0;
    int m_redraws = 0;
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
    const int ticks = argc > 1 ? std::wcstol(argv[1], nullptr, 10) : kDefaultTicks;
    const int changes = argc > 2 ? std::wcstol(argv[2], nullptr, 10) : kDefaultChanges;
    // The same process set-up as the program's start-up and main window.
    curl_global_init(CURL_GLOBAL_WIN32);
    CoInitialize(nullptr);
    INITCOMMONCONTROLSEX controls{};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_BAR_CLASSES;
    InitCommonControlsEx(&controls);
    const Snapshot start = Take();
    INT_PTR result = -1;
    {
        BenchDlg window(ticks, changes);
        result = window.DoModal(nullptr);
    }
    const Snapshot end = Take();
    std::printf("closed result=%ld working_set_kb_start=%llu end=%llu live_gdi_start=%ld end=%ld\n",
                static_cast<long>(result), start.workingSetKb, end.workingSetKb, start.liveGdi,
                end.liveGdi);
    CoUninitialize();
    curl_global_cleanup();
    return result == 0 ? 0 : 1;
}
