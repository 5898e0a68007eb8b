// Runs the download engine exactly as the window does, for the benchmark and by hand.
#include <curl/curl.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <string>
#include <thread>

#include "app/UserLocale.h"
#include "base/CloudConfig.h"
#include "base/HttpGet.h"
#include "bench/BenchStats.h"
#include "download/TransferSettings.h"
#include "download/UrlMgr.h"
#include "download/quorrin_download_mgr.h"
#include "tests/support/OpenDownloadMgr.h"

namespace {
const char kUsage[] =
    "usage: quorrin-bench --config URL --choice 1|3 --out PATH [--stop-after SECONDS]\n"
    "                     [--trust PEMFILE] [--connections N]\n"
    "  Fetches the configuration document from URL, downloads the image of the choice\n"
    "  (1 Windows XP, 3 Windows 7) to PATH with the real download engine, prints one progress\n"
    "  line a second, then the result text (empty on success), bytes, wall seconds, MiB/s,\n"
    "  CPU seconds and peak working set. --stop-after stops, interrupts and joins the download\n"
    "  after SECONDS, as quitting the window does. --trust also trusts the certificates in\n"
    "  PEMFILE (a mirror's own CA). --connections sets how many connections a download in\n"
    "  pieces uses (1: one connection, as for a small image). Exit code 0 on success, 1 on\n"
    "  failure.\n";

int Usage(int code) {
    std::fputs(kUsage, code == 0 ? stdout : stderr);
    return code;
}
}  // namespace

int main(int argc, char** argv) {
    std::string config, out, trust;
    int choice = 0;
    int connections = 0;
    double stopAfter = -1;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help") {
            return Usage(0);
        }
        if (i + 1 >= argc) {
            return Usage(2);
        }
        const char* value = argv[++i];
        if (arg == "--config") {
            config = value;
        } else if (arg == "--choice") {
            choice = std::atoi(value);
        } else if (arg == "--out") {
            out = value;
        } else if (arg == "--trust") {
            trust = value;
        } else if (arg == "--connections") {
            connections = std::atoi(value);
        } else if (arg == "--stop-after") {
            stopAfter = std::atof(value);
        } else {
            return Usage(2);
        }
    }
    if (config.empty() || out.empty() || (choice != 1 && choice != 3)) {
        return Usage(2);
    }

    ApplyUserDefaultLocale();
    curl_global_init(CURL_GLOBAL_ALL);
    const auto start = std::chrono::steady_clock::now();
    std::stringstream document;
    HttpGet(config, document);
    CloudConfig cloud;
    if (!ParseConfig(document, cloud)) {
        std::printf("result=configuration document unusable\n");
        return 1;
    }
    TransferSettings network = TransferSettings::FromSystem();
    if (!trust.empty()) {
        std::ifstream pem(trust, std::ios::binary);
        network = network.AlsoTrusting(std::string(std::istreambuf_iterator<char>(pem), {}));
    }
    auto links = std::make_unique<UrlMgr>(cloud.linkRegex, network);
    links->SelectList(choice == 1 ? cloud.xpUrls : cloud.win7Urls);

    std::unique_ptr<OpenDownloadMgr> mgr;
    try {
        mgr = std::make_unique<OpenDownloadMgr>(
            std::move(links), out, choice == 1 ? cloud.xpSha256 : cloud.win7Sha256, network);
    } catch (const std::exception& failure) {
        std::printf("result=%s\n", failure.what());
        return 1;
    }
    if (connections > 0) {
        mgr->segments.connections = connections;
    }
    mgr->Start();
    // Polls finely so that the wall time ends with the download, prints once a second.
    auto nextLine = std::chrono::steady_clock::now() + std::chrono::seconds(1);
    while (!mgr->finished) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
        const auto now = std::chrono::steady_clock::now();
        if (now >= nextLine) {
            nextLine += std::chrono::seconds(1);
            double done = 0, total = 0, speed = 0;
            mgr->QueryProgress(done, total, speed);
            std::printf("progress %.1f / %.1f MB, %.0f KB/s\n", done, total, speed);
            std::fflush(stdout);
        }
        if (stopAfter >= 0 && std::chrono::duration<double>(now - start).count() >= stopAfter &&
            !mgr->finished) {
            mgr->stop_requested = true;
            mgr->worker.interrupt();
            mgr->worker.join();
            break;
        }
    }
    if (mgr->worker.joinable()) {
        mgr->worker.join();
    }
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    // A stop that lands at an interruption point ends the worker without a result.
    const std::string result =
        mgr->finished ? mgr->error_text : std::string("stopped before the transfer");
    std::printf("result=%s\n%s\n", result.c_str(),
                ResultLine(static_cast<long long>(mgr->downloaded), wall).c_str());
    return result.empty() ? 0 : 1;
}
