#include "download/LinkFailure.h"

#include "download/EngineTexts.h"

RequestEnd ReadRequestEnd(CURL* handle, CURLcode result, const std::string& proxy,
                          const char* errorBuffer) {
    RequestEnd end;
    end.result = result;
    curl_easy_getinfo(handle, CURLINFO_RESPONSE_CODE, &end.status);
    curl_easy_getinfo(handle, CURLINFO_HTTP_CONNECTCODE, &end.tunnel_status);
    end.proxy = proxy;
    end.detail = errorBuffer[0] != '\0' ? errorBuffer : curl_easy_strerror(result);
    return end;
}

std::string LinkFailureText(const RequestEnd& end) {
    if (!end.proxy.empty()) {
        // Only a proxy asks for credentials with 407, and a tunnel's answer is the proxy's own.
        if (end.status == 407 || end.tunnel_status == 407) {
            return texts::ProxyWantsLogin(end.proxy);
        }
        if (end.tunnel_status >= 300) {
            return texts::ProxyRefused(end.proxy, end.tunnel_status);
        }
        if (end.result == CURLE_COULDNT_RESOLVE_PROXY || end.result == CURLE_COULDNT_CONNECT) {
            return texts::ProxyUnreachable(end.proxy, end.detail);
        }
    }
    switch (end.result) {
        case CURLE_PEER_FAILED_VERIFICATION:
        case CURLE_SSL_CACERT_BADFILE:
            return texts::CertificateRejected(end.detail);
        case CURLE_SSL_CONNECT_ERROR:
            return texts::TlsRefused(end.detail);
        default:
            return std::string();
    }
}
