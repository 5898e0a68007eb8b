#include <fcntl.h>
#include <unistd.h>

#include <stdexcept>

#include "download/WorkFile.h"

WorkFile::WorkFile(const boost::filesystem::path& path) {
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) {
        throw std::runtime_error("open " + path.string());
    }
    file = fd;
}

WorkFile::~WorkFile() {
    ::close(static_cast<int>(file));
}

bool WorkFile::WriteAt(std::int64_t offset, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t written = ::pwrite(static_cast<int>(file), data, size, offset);
        if (written <= 0) {
            return false;
        }
        offset += written;
        data += written;
        size -= static_cast<std::size_t>(written);
    }
    return true;
}
