// A file's exact bytes, for tests that check what was written to disk.
#pragma once

#include <boost/filesystem/path.hpp>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <type_traits>
#include <vector>

// Any path the tests hold, opened through its own characters, so that any folder name works.
template <typename Path>
std::filesystem::path BytesPath(const Path& path) {
    if constexpr (std::is_same_v<Path, boost::filesystem::path>)
        return path.native();
    else
        return std::filesystem::path(path);
}

template <typename Path>
std::string ReadBytes(const Path& path) {
    std::ifstream in(BytesPath(path), std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

// Replaces the file with `bytes`, making its folder first.
template <typename Path>
void WriteBytes(const Path& path, const std::string& bytes) {
    const std::filesystem::path file = BytesPath(path);
    if (file.has_parent_path())
        std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

template <typename Path>
void WriteBytes(const Path& path, const std::vector<unsigned char>& bytes) {
    WriteBytes(path, std::string(bytes.begin(), bytes.end()));
}

// Bytes that show a shifted or repeated block: no period short of the whole file.
inline std::string Pattern(std::int64_t size) {
    std::string bytes(static_cast<size_t>(size), '\0');
    std::uint32_t state = 2463534242u;
    for (char& byte : bytes) {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        byte = static_cast<char>(state);
    }
    return bytes;
}
