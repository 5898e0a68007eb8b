// Runs the download engine in pieces over four connections even for a small image, for the
// tests that kill the process on the way. Prints "RESULT <error text>" (empty on success) and
// exits 0 when the image is done, 1 otherwise.
// Usage: piece_download URL IMAGE_PATH SHA256
#include <curl/curl.h>

#include <cstdio>
#include <string>

#include "tests/support/OpenDownloadMgr.h"
#include "tests/support/WideUtf8.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 4) {
        std::fputs("usage: piece_download URL IMAGE_PATH SHA256\n", stderr);
        return 2;
    }
    curl_global_init(CURL_GLOBAL_ALL);
    OpenDownloadMgr mgr(MakeLinks({testenv::Utf8(argv[1])}), boost::filesystem::path(argv[2]),
                        testenv::Utf8(argv[3]));
    mgr.segmented_min_size = 4 * 1048576;
    mgr.segments.min_piece = 256 * 1024;
    mgr.alone_within_seconds = 0;
    mgr.Start();
    mgr.worker.join();
    std::printf("RESULT %s\n", mgr.ErrorText().c_str());
    return mgr.Outcome() == DownloadOutcome::Done ? 0 : 1;
}
