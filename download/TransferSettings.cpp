#include "download/TransferSettings.h"

#include <utility>

TransferSettings::TransferSettings(std::string caBundle, ProxyRules proxy)
    : ca_bundle(std::move(caBundle)), proxy(std::move(proxy)) {}

TransferSettings TransferSettings::AlsoTrusting(const std::string& pem) const {
    TransferSettings copy = *this;
    if (!copy.ca_bundle.empty() && copy.ca_bundle.back() != '\n') {
        copy.ca_bundle += '\n';
    }
    copy.ca_bundle += pem;
    return copy;
}

std::string TransferSettings::Apply(CURL* handle, const std::string& url) const {
    curl_easy_setopt(handle, CURLOPT_SSLVERSION, static_cast<long>(CURL_SSLVERSION_TLSv1_2));
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYPEER, 1L);
    curl_easy_setopt(handle, CURLOPT_SSL_VERIFYHOST, 2L);
    if (!ca_bundle.empty()) {
        curl_blob blob{const_cast<char*>(ca_bundle.data()), ca_bundle.size(), CURL_BLOB_COPY};
        curl_easy_setopt(handle, CURLOPT_CAINFO_BLOB, &blob);
    }
    // Set even when empty: an empty proxy is a direct connection, whatever the environment says.
    const std::string through = proxy.ForUrl(url);
    curl_easy_setopt(handle, CURLOPT_PROXY, through.c_str());
    return through;
}
