// The engine against real HTTPS mirrors and real proxies on loopback (tests/server/with_tls.py):
// the certificates it accepts and refuses, the TLS versions, the proxy of Internet Options, and
// the system kept awake while it works.
#include <gtest/gtest.h>

#include <winsock2.h>
#include <windows.h>

#include <boost/filesystem.hpp>
#include <deque>
#include <string>
#include <thread>

#include "download/DownloadSidecar.h"
#include "download/EngineTexts.h"
#include "download/TransferSettings.h"
#include "download/UrlMgr.h"
#include "download/quorrin_download_mgr.h"
#include "tests/support/FileBytes.h"
#include "tests/support/OpenDownloadMgr.h"
#include "tests/support/TestEnv.h"

namespace {

namespace fs = boost::filesystem;

constexpr std::int64_t kSize = 3 * 1048576 + 77;
const fs::path kRoot = "D:\\tls";

std::string Server(const char* name) {
    return testenv::Env((std::string("QUORRIN_TLS_") + name).c_str());
}

std::string ReadEnvFile(const char* variable) {
    return ReadBytes(testenv::Env(variable));
}

// What a test build trusts: the bundle inside the program and the test CA.
TransferSettings TestTrust() {
    return TransferSettings::FromSystem().AlsoTrusting(ReadEnvFile("QUORRIN_TLS_CA"));
}

struct Result {
    DownloadOutcome how;
    std::string error;
    std::string log;
};

Result Download(const std::deque<std::string>& links, const fs::path& image,
                const TransferSettings& network) {
    OpenDownloadMgr mgr(MakeLinks(links), image, std::string(), network);
    mgr.Start();
    mgr.worker.join();
    return {mgr.Outcome(), mgr.ErrorText(), mgr.LogText()};
}

// The proxy of Internet Options in the Wine prefix, set for one test and cleared after it, as the
// user sets it in the dialog (WinINet reads these values).
class InternetOptionsProxy {
public:
    InternetOptionsProxy(const std::wstring& server, const std::wstring& bypass) {
        Clear();
        HKEY key = Open();
        const DWORD enabled = 1;
        RegSetValueExW(key, L"ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&enabled),
                       sizeof(enabled));
        SetText(key, L"ProxyServer", server);
        SetText(key, L"ProxyOverride", bypass);
        RegCloseKey(key);
    }
    ~InternetOptionsProxy() { Clear(); }
    InternetOptionsProxy(const InternetOptionsProxy&) = delete;
    InternetOptionsProxy& operator=(const InternetOptionsProxy&) = delete;

    static void Clear() {
        HKEY key = Open();
        const DWORD disabled = 0;
        RegSetValueExW(key, L"ProxyEnable", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&disabled),
                       sizeof(disabled));
        RegDeleteValueW(key, L"ProxyServer");
        RegDeleteValueW(key, L"ProxyOverride");
        RegCloseKey(key);
    }

private:
    static HKEY Open() {
        HKEY key = nullptr;
        RegCreateKeyExW(HKEY_CURRENT_USER,
                        L"Software\\Microsoft\\Windows\\CurrentVersion\\Internet Settings", 0,
                        nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr);
        return key;
    }
    static void SetText(HKEY key, const wchar_t* name, const std::wstring& text) {
        RegSetValueExW(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                       static_cast<DWORD>((text.size() + 1) * sizeof(wchar_t)));
    }
};

std::wstring Wide(const std::string& text) {
    return std::wstring(text.begin(), text.end());
}

std::string ProxyLog() {
    return ReadEnvFile("QUORRIN_PROXY_OPEN_LOG");
}

bool StartsWith(const std::string& text, const std::string& prefix) {
    return text.compare(0, prefix.size(), prefix) == 0;
}

class SecureDownloadTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        content = Pattern(kSize);
        WriteBytes(fs::path(testenv::DocRoot()) / "image.bin", content);
    }
    void SetUp() override { InternetOptionsProxy::Clear(); }
    static std::string content;
};
std::string SecureDownloadTest::content;

TEST_F(SecureDownloadTest, ArrivesWholeAndResumesOverTls12AndTls13) {
    for (const char* server : {"TLS12", "TLS13"}) {
        SCOPED_TRACE(server);
        const std::string link = Server(server) + "/image.bin";
        const fs::path image = kRoot / server / "image.qrn";
        fs::remove_all(image.parent_path());
        Result whole = Download({link}, image, TestTrust());
        ASSERT_EQ(whole.how, DownloadOutcome::Done) << whole.error;
        EXPECT_EQ(ReadBytes(image), content);
        EXPECT_EQ(whole.log, "");

        // A partial image whose bytes differ from the server's in one place: the resumed image
        // keeps that byte, so only the rest was asked for.
        std::string partial = content.substr(0, kSize / 2);
        partial[1000] = static_cast<char>(~partial[1000]);
        WriteBytes(image, partial);
        WriteSidecar(image.string() + ".cfg", kSize);
        Result resumed = Download({link}, image, TestTrust());
        ASSERT_EQ(resumed.how, DownloadOutcome::Done) << resumed.error;
        EXPECT_EQ(ReadBytes(image), partial + content.substr(kSize / 2));
    }
}

TEST_F(SecureDownloadTest, RefusedServersWriteNothingAndSayWhy) {
    struct Case {
        const char* server;
        std::string text;    // how the log's line and the error begin
        const char* detail;  // what the TLS library said, in part
    };
    const Case cases[] = {
        {"SELFSIGNED", texts::CertificateRejected(""), "NOT_TRUSTED"},
        {"WRONGNAME", texts::CertificateRejected(""), "CN_MISMATCH"},
        {"EXPIRED", texts::CertificateRejected(""), "EXPIRED"},
        {"TLS10", texts::TlsRefused(""), "min/max"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.server);
        const std::string link = Server(c.server) + "/image.bin";
        const fs::path image = kRoot / c.server / "image.qrn";
        fs::remove_all(image.parent_path());
        const Result result = Download({link}, image, TestTrust());
        EXPECT_EQ(result.how, DownloadOutcome::Unreachable);
        EXPECT_TRUE(StartsWith(result.error, c.text)) << result.error;
        EXPECT_NE(result.error.find(c.detail), std::string::npos) << result.error;
        EXPECT_EQ(result.log, link + ": " + result.error);
        EXPECT_FALSE(fs::exists(image));
        EXPECT_FALSE(fs::exists(image.string() + ".cfg"));
    }
}

TEST_F(SecureDownloadTest, ARefusedLinkGivesWayToTheNext) {
    const fs::path image = kRoot / "next" / "image.qrn";
    fs::remove_all(image.parent_path());
    const std::string refused = Server("EXPIRED") + "/image.bin";
    const Result result = Download({refused, Server("TLS12") + "/image.bin"}, image, TestTrust());
    ASSERT_EQ(result.how, DownloadOutcome::Done) << result.error;
    EXPECT_EQ(ReadBytes(image), content);
    EXPECT_TRUE(StartsWith(result.log, refused + ": " + texts::CertificateRejected("")))
        << result.log;
}

// Share pages are fetched like the image. The test build's cloud-drive domain is "localhost", so
// a server named so serves share pages; the certificates name it too.
TEST_F(SecureDownloadTest, SharePagesComeOverHttpsAndARefusedOneIsLogged) {
    const std::string direct = Server("TLS12") + "/image.bin";
    WriteBytes(fs::path(testenv::DocRoot()) / "share.html", "<a href=\"" + direct + "\">get</a>");
    const auto shareOn = [](const char* server) {
        std::string link = Server(server) + "/share.html";
        return link.replace(link.find("127.0.0.1"), 9, "localhost");
    };
    const std::string expression = "https://127\\.0\\.0\\.1:\\d+/image\\.bin";
    struct Case {
        const char* name;
        std::deque<std::string> links;
        std::string log;  // how the log begins
    };
    const Case cases[] = {
        {"a page over TLS 1.2", {shareOn("TLS12")}, ""},
        {"a page with an expired certificate, then a direct link",
         {shareOn("EXPIRED"), direct},
         shareOn("EXPIRED") + ": " + texts::CertificateRejected("")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const fs::path image = kRoot / "share" / "image.qrn";
        fs::remove_all(image.parent_path());
        auto links = std::make_unique<UrlMgr>(expression, TestTrust());
        links->SelectList(c.links);
        OpenDownloadMgr mgr(std::move(links), image, std::string(), TestTrust());
        mgr.Start();
        mgr.worker.join();
        ASSERT_EQ(mgr.Outcome(), DownloadOutcome::Done) << mgr.ErrorText();
        EXPECT_EQ(ReadBytes(image), content);
        EXPECT_TRUE(StartsWith(mgr.LogText(), c.log)) << mgr.LogText();
        EXPECT_EQ(mgr.LogText().empty(), c.log.empty());
    }
}

TEST_F(SecureDownloadTest, TheProgramTrustsItsBundleAlone) {
    const TransferSettings program = TransferSettings::FromSystem();
    size_t roots = 0;
    for (auto at = program.CaBundle().find("BEGIN CERTIFICATE"); at != std::string::npos;
         at = program.CaBundle().find("BEGIN CERTIFICATE", at + 1)) {
        ++roots;
    }
    EXPECT_GT(roots, 100u) << "Debian's bundle is inside the program";
    const fs::path image = kRoot / "bundle" / "image.qrn";
    fs::remove_all(image.parent_path());
    const Result result = Download({Server("TLS12") + "/image.bin"}, image, program);
    EXPECT_TRUE(StartsWith(result.error, texts::CertificateRejected(""))) << result.error;
    EXPECT_FALSE(fs::exists(image));
}

TEST_F(SecureDownloadTest, TheImageGoesThroughTheProxyOfInternetOptions) {
    const std::string proxy = testenv::Env("QUORRIN_PROXY_OPEN");
    const InternetOptionsProxy options(Wide(proxy), L"");
    const std::string plain = testenv::Env("QUORRIN_TLS_PLAIN") + "/image.bin";
    const std::string secure = Server("TLS12") + "/image.bin";
    for (const std::string& link : {plain, secure}) {
        SCOPED_TRACE(link);
        const fs::path image = kRoot / "proxy" / "image.qrn";
        fs::remove_all(image.parent_path());
        const Result result = Download({link}, image, TestTrust());
        ASSERT_EQ(result.how, DownloadOutcome::Done) << result.error;
        EXPECT_EQ(ReadBytes(image), content);
    }
    const std::string log = ProxyLog();
    EXPECT_NE(log.find("GET " + plain), std::string::npos) << log;
    EXPECT_NE(log.find("CONNECT " + secure.substr(8, secure.find('/', 8) - 8)), std::string::npos)
        << log;
}

TEST_F(SecureDownloadTest, ABypassedHostGoesDirect) {
    const std::string before = ProxyLog();
    const InternetOptionsProxy options(Wide(testenv::Env("QUORRIN_PROXY_OPEN")),
                                       L"example.invalid;127.0.0.*");
    const fs::path image = kRoot / "bypass" / "image.qrn";
    fs::remove_all(image.parent_path());
    const Result result =
        Download({testenv::Env("QUORRIN_TLS_PLAIN") + "/image.bin"}, image, TestTrust());
    ASSERT_EQ(result.how, DownloadOutcome::Done) << result.error;
    EXPECT_EQ(ProxyLog(), before);
}

TEST_F(SecureDownloadTest, AProxyThatRefusesOrWantsALoginSaysSo) {
    const std::string plain = testenv::Env("QUORRIN_TLS_PLAIN") + "/image.bin";
    const std::string secure = Server("TLS12") + "/image.bin";
    const std::string deny = testenv::Env("QUORRIN_PROXY_DENY");
    const std::string auth = testenv::Env("QUORRIN_PROXY_AUTH");
    const std::string dead = testenv::Env("QUORRIN_PROXY_DEAD");
    struct Case {
        const char* name;
        std::string proxy;
        std::string link;
        std::string text;
    };
    const Case cases[] = {
        {"refuses this client", deny, secure, texts::ProxyRefused("http://" + deny, 403)},
        {"wants a login", auth, plain, texts::ProxyWantsLogin("http://" + auth)},
        {"wants a login for a tunnel", auth, secure, texts::ProxyWantsLogin("http://" + auth)},
        {"is not there", dead, plain, texts::ProxyUnreachable("http://" + dead, "")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const InternetOptionsProxy options(Wide(c.proxy), L"");
        const fs::path image = kRoot / "refusing" / "image.qrn";
        fs::remove_all(image.parent_path());
        const Result result = Download({c.link}, image, TestTrust());
        EXPECT_EQ(result.how, DownloadOutcome::Unreachable);
        EXPECT_TRUE(StartsWith(result.error, c.text)) << result.error;
        EXPECT_EQ(result.log, c.link + ": " + result.error);
        EXPECT_FALSE(fs::exists(image));
    }
}

// Wine keeps one execution state for the whole process and answers a call without ES_CONTINUOUS
// with it, leaving a continuous state in place: the test's thread reads what the worker set.
EXECUTION_STATE ExecutionState() {
    return SetThreadExecutionState(0);
}

// Takes connections and never answers them: a probe that waits while the test looks.
class SilentServer {
public:
    SilentServer() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
        sock = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        bind(sock, reinterpret_cast<sockaddr*>(&address), sizeof(address));
        listen(sock, 4);
        int size = sizeof(address);
        getsockname(sock, reinterpret_cast<sockaddr*>(&address), &size);
        port = ntohs(address.sin_port);
    }
    ~SilentServer() {
        closesocket(sock);
        WSACleanup();
    }
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;
    std::string Url() const { return "http://127.0.0.1:" + std::to_string(port) + "/image.bin"; }

private:
    SOCKET sock;
    int port = 0;
};

TEST_F(SecureDownloadTest, TheSystemStaysAwakeWhileTheWorkerRuns) {
    constexpr EXECUTION_STATE kAwake = ES_CONTINUOUS | ES_SYSTEM_REQUIRED;
    const SilentServer silent;
    {
        SCOPED_TRACE("stopped");
        OpenDownloadMgr mgr(MakeLinks({silent.Url()}), kRoot / "awake" / "stop.qrn", std::string(),
                            TestTrust());
        mgr.Start();
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        EXPECT_EQ(ExecutionState() & kAwake, kAwake);
        mgr.StopAndWait();
        EXPECT_EQ(mgr.Outcome(), DownloadOutcome::Stopped);
        EXPECT_EQ(ExecutionState() & ES_SYSTEM_REQUIRED, 0u);
    }
    struct Case {
        const char* name;
        std::string link;
        DownloadOutcome how;
    };
    const Case ends[] = {
        {"done", Server("TLS12") + "/image.bin", DownloadOutcome::Done},
        {"failed", Server("SELFSIGNED") + "/image.bin", DownloadOutcome::Unreachable},
    };
    for (const Case& c : ends) {
        SCOPED_TRACE(c.name);
        const fs::path image = kRoot / "awake" / c.name / "image.qrn";
        fs::remove_all(image.parent_path());
        OpenDownloadMgr mgr(MakeLinks({c.link}), image, std::string(), TestTrust());
        mgr.Start();
        mgr.worker.join();
        EXPECT_EQ(mgr.Outcome(), c.how) << mgr.ErrorText();
        EXPECT_EQ(ExecutionState() & ES_SYSTEM_REQUIRED, 0u);
    }
}

}  // namespace
