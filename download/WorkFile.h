// The file an image is fetched into in pieces: written at any offset, with no buffer of its own
// (each connection gathers its bytes first), and readable by the hasher while it is written.
#pragma once

#include <boost/filesystem/path.hpp>
#include <cstddef>
#include <cstdint>

class WorkFile {
public:
    // Opens `path`, creating it when missing and keeping what it holds; throws
    // std::runtime_error when it cannot.
    explicit WorkFile(const boost::filesystem::path& path);
    ~WorkFile();
    WorkFile(const WorkFile&) = delete;
    WorkFile& operator=(const WorkFile&) = delete;

    // False when not all of `size` bytes reached the file at `offset`.
    bool WriteAt(std::int64_t offset, const char* data, std::size_t size);

private:
    // A HANDLE on Windows, a file descriptor elsewhere.
    std::intptr_t file;
};
