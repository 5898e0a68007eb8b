// Which proxy a request takes, and which failures give a link up: pure rules, tested with tables.
#include <gtest/gtest.h>

#include <string>

#include "download/EngineTexts.h"
#include "download/LinkFailure.h"
#include "download/ProxyRules.h"

namespace {

TEST(ProxyRules, ServerAndBypassListAsInternetOptionsStoresThem) {
    struct Case {
        const char* server;
        const char* bypass;
        const char* url;
        const char* proxy;  // empty: direct
    };
    const Case cases[] = {
        {"", "", "http://mirror.example/x", ""},
        {"proxy:8080", "", "http://mirror.example/x", "http://proxy:8080"},
        {"proxy:8080", "", "https://mirror.example/x", "http://proxy:8080"},
        {"http://proxy:8080", "", "https://mirror.example/x", "http://proxy:8080"},
        {"http=p1:1;https=p2:2", "", "http://mirror.example/x", "http://p1:1"},
        {"http=p1:1;https=p2:2", "", "https://mirror.example/x", "http://p2:2"},
        {"HTTP=p1:1", "", "HTTP://mirror.example/x", "http://p1:1"},
        // A scheme without an entry goes direct, SOCKS included, which is not followed.
        {"http=p1:1", "", "https://mirror.example/x", ""},
        {"socks=s:1080", "", "http://mirror.example/x", ""},
        {"proxy:8080", "<local>", "http://intranet/x", ""},
        {"proxy:8080", "<local>", "http://mirror.example/x", "http://proxy:8080"},
        {"proxy:8080", "*.corp.example; 10.*", "http://files.corp.example/x", ""},
        {"proxy:8080", "*.corp.example; 10.*", "http://corp.example/x", "http://proxy:8080"},
        {"proxy:8080", "*.corp.example; 10.*", "http://10.1.2.3:81/x", ""},
        {"proxy:8080", "mirror.?xample", "http://mirror.example/x", ""},
        {"proxy:8080", "MIRROR.example", "http://mirror.EXAMPLE/x", ""},
        {"proxy:8080", "a.example, mirror.example", "http://mirror.example/x", ""},
        {"proxy:8080", "https://mirror.example", "https://mirror.example/x", ""},
        {"proxy:8080", "https://mirror.example", "http://mirror.example/x", "http://proxy:8080"},
        {"proxy:8080", "mirror.example:8080", "http://mirror.example:8080/x", ""},
        {"proxy:8080", "mirror.example:8080", "http://mirror.example/x", "http://proxy:8080"},
        {"proxy:8080", "mirror.example:443", "https://mirror.example/x", ""},
        {"proxy:8080", "mirror.example", "http://user:pw@mirror.example/x", ""},
        {"proxy:8080", "[::1]", "http://[::1]:8000/x", ""},
        {"proxy:8080", "mirror.example", "http://mirror.example.evil/x", "http://proxy:8080"},
        {"proxy:8080", "", "not a url", ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.server) + " | " + c.bypass + " | " + c.url);
        EXPECT_EQ(ProxyRules(c.server, c.bypass).ForUrl(c.url), c.proxy);
    }
    EXPECT_EQ(ProxyRules().ForUrl("http://mirror.example/x"), "");
}

TEST(LinkFailure, OnlyCertificateTlsAndProxyFailuresGiveALinkUp) {
    const std::string proxy = "http://127.0.0.1:3128";
    struct Case {
        const char* name;
        CURLcode result;
        long status;
        long tunnel;
        bool proxied;
        std::string text;
    };
    const Case cases[] = {
        {"success", CURLE_OK, 200, 0, true, ""},
        {"a server's 407 without a proxy", CURLE_OK, 407, 0, false, ""},
        {"a proxy's 407", CURLE_OK, 407, 0, true, texts::ProxyWantsLogin(proxy)},
        {"a tunnel's 407", CURLE_RECV_ERROR, 0, 407, true, texts::ProxyWantsLogin(proxy)},
        {"a tunnel refused", CURLE_RECV_ERROR, 0, 403, true, texts::ProxyRefused(proxy, 403)},
        {"no proxy there", CURLE_COULDNT_CONNECT, 0, 0, true,
         texts::ProxyUnreachable(proxy, "why")},
        {"no proxy of that name", CURLE_COULDNT_RESOLVE_PROXY, 0, 0, true,
         texts::ProxyUnreachable(proxy, "why")},
        {"no server there", CURLE_COULDNT_CONNECT, 0, 0, false, ""},
        {"a certificate refused", CURLE_PEER_FAILED_VERIFICATION, 0, 0, false,
         texts::CertificateRejected("why")},
        {"no certificates to trust", CURLE_SSL_CACERT_BADFILE, 0, 0, true,
         texts::CertificateRejected("why")},
        {"a handshake refused", CURLE_SSL_CONNECT_ERROR, 0, 0, false, texts::TlsRefused("why")},
        {"a time-out", CURLE_OPERATION_TIMEDOUT, 0, 0, true, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        RequestEnd end;
        end.result = c.result;
        end.status = c.status;
        end.tunnel_status = c.tunnel;
        end.proxy = c.proxied ? proxy : std::string();
        end.detail = "why";
        EXPECT_EQ(LinkFailureText(end), c.text);
    }
}

}  // namespace
