#include <windows.h>
#include <winioctl.h>

#include <stdexcept>

#include "download/WorkFile.h"

namespace {
HANDLE Handle(std::intptr_t file) {
    return reinterpret_cast<HANDLE>(file);
}
}  // namespace

WorkFile::WorkFile(const boost::filesystem::path& path) {
    // Others may read (the hasher) but never write or remove it while pieces arrive.
    const HANDLE handle =
        CreateFileW(path.wstring().c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        throw std::runtime_error("CreateFileW " + path.string());
    }
    // A piece written far out would otherwise make NTFS fill everything before it with zeros
    // first, holding every connection for as long as that takes. Where the file system cannot
    // (FAT32), the write does that fill, more slowly but just as correctly.
    DWORD returned = 0;
    DeviceIoControl(handle, FSCTL_SET_SPARSE, nullptr, 0, nullptr, 0, &returned, nullptr);
    file = reinterpret_cast<std::intptr_t>(handle);
}

WorkFile::~WorkFile() {
    CloseHandle(Handle(file));
}

bool WorkFile::WriteAt(std::int64_t offset, const char* data, std::size_t size) {
    while (size > 0) {
        OVERLAPPED at = {};
        at.Offset = static_cast<DWORD>(offset);
        at.OffsetHigh = static_cast<DWORD>(offset >> 32);
        const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        DWORD written = 0;
        if (!WriteFile(Handle(file), data, chunk, &written, &at) || written == 0) {
            return false;
        }
        offset += written;
        data += written;
        size -= written;
    }
    return true;
}
