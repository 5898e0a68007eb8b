// A stand-in for the installer program that is delivered beside Quorrin.exe, for the tests and
// the demo only: the real installer is a separate product. It records what it was given and
// exits at once, so that a test can check the hand-off.
//
// Writes "QrnOneKey.receipt.txt" in its own folder, UTF-8, one fact a line:
//   COMMAND_LINE <the command line exactly as received>
//   CURRENT_DIRECTORY <the current directory>
//   FILE <name> <size in bytes>      for each file found beside itself before the receipt
// With QRNONEKEY_WAIT_MS set it waits that long before it exits, so that a test can see that the
// caller waits for it.
#include <windows.h>

#include <cstdlib>
#include <string>

namespace {

std::string Utf8(const std::wstring& text) {
    const int n = WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n > 0 ? n : 0), '\0');
    if (n > 0)
        WideCharToMultiByte(CP_UTF8, 0, text.c_str(), static_cast<int>(text.size()), out.data(), n,
                            nullptr, nullptr);
    return out;
}

std::wstring OwnFolder() {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring folder = path;
    return folder.substr(0, folder.find_last_of(L'\\'));
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
    const std::wstring folder = OwnFolder();
    std::string receipt = "COMMAND_LINE " + Utf8(GetCommandLineW()) + "\n";
    wchar_t current[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, current);
    receipt += "CURRENT_DIRECTORY " + Utf8(current) + "\n";
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (search != INVALID_HANDLE_VALUE) {
        do {
            if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                continue;
            const unsigned long long size =
                (static_cast<unsigned long long>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
            receipt += "FILE " + Utf8(found.cFileName) + " " + std::to_string(size) + "\n";
        } while (FindNextFileW(search, &found));
        FindClose(search);
    }
    if (const wchar_t* wait = _wgetenv(L"QRNONEKEY_WAIT_MS"))
        Sleep(static_cast<DWORD>(_wtoi(wait)));
    // Written last and whole: a test that sees the receipt sees all of it.
    const std::wstring temporary = folder + L"\\QrnOneKey.receipt.tmp";
    const std::wstring final = folder + L"\\QrnOneKey.receipt.txt";
    HANDLE file = CreateFileW(temporary.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return 1;
    DWORD written = 0;
    WriteFile(file, receipt.data(), static_cast<DWORD>(receipt.size()), &written, nullptr);
    CloseHandle(file);
    return MoveFileExW(temporary.c_str(), final.c_str(), MOVEFILE_REPLACE_EXISTING) ? 0 : 1;
}
