// A folder of a test's own under the system's temporary folder, removed with the object: what a
// test writes never lands in the folder it was started from.
#pragma once

#include <chrono>
#include <filesystem>
#include <string>
#include <system_error>

class ScratchFolder {
public:
    ScratchFolder() {
        const std::filesystem::path temporary = std::filesystem::temp_directory_path();
        // The clock's count as a name: two processes started together still differ, and a name
        // that is taken is skipped.
        auto stamp = std::chrono::steady_clock::now().time_since_epoch().count();
        do {
            m_path = temporary / ("quorrin-test-" + std::to_string(stamp++));
        } while (!std::filesystem::create_directory(m_path));
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The path of `name` inside the folder.
    std::string File(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};
