// The least a downloader on this platform can do: one libcurl easy transfer into a buffered
// file, with the same receive and file buffers as the engine. The yardstick of the benchmark.
#include <curl/curl.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>

#include "bench/BenchStats.h"

namespace {
constexpr long kReceiveBuffer = 512 * 1024;
constexpr size_t kFileBuffer = 512 * 1024;

size_t Write(char* data, size_t size, size_t count, void* file) {
    static_cast<std::ofstream*>(file)->write(data, static_cast<std::streamsize>(size * count));
    return *static_cast<std::ofstream*>(file) ? size * count : 0;
}
}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: reference-download URL PATH\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    curl_global_init(CURL_GLOBAL_ALL);
    std::unique_ptr<char[]> buffer(new char[kFileBuffer]);
    std::ofstream file;
    file.rdbuf()->pubsetbuf(buffer.get(), kFileBuffer);
    file.open(argv[2], std::ios::binary | std::ios::trunc);
    CURL* curl = curl_easy_init();
    curl_easy_setopt(curl, CURLOPT_URL, argv[1]);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, Write);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &file);
    curl_easy_setopt(curl, CURLOPT_BUFFERSIZE, kReceiveBuffer);
    const CURLcode result = curl_easy_perform(curl);
    curl_off_t bytes = 0;
    curl_easy_getinfo(curl, CURLINFO_SIZE_DOWNLOAD_T, &bytes);
    curl_easy_cleanup(curl);
    file.close();
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("result=%d %s\n", static_cast<int>(result),
                ResultLine(static_cast<long long>(bytes), wall).c_str());
    return result == CURLE_OK && file ? 0 : 1;
}
