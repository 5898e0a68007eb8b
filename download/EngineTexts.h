// The download engine's fixed texts, in the system ANSI code page (GBK on the target systems).
#pragma once

#include <string>

namespace texts {
const std::string& NoLinkLeft();
const std::string& ProbeFailed();
const std::string& NoFileSize();
const std::string& UserStop();
const std::string& LocalFileFailed();
const std::string& ZeroRate();
// The server answered the transfer with `status` instead of the requested bytes.
std::string BadStatus(long status);
// A resumed request was answered with something other than the rest of the image.
const std::string& NotTheRest();
// The transfer ended with the transfer library's `reason`.
std::string TransferFailed(const char* reason);
// The server sent more bytes than the image holds.
const std::string& TooMuchData();
// The transfer ended but the image is not `expected` bytes long.
std::string SizeMismatch(long long stored, long long expected);
// The image is whole but not the one the configuration names; it was moved aside.
const std::string& ImageDamaged();
// A link given up for its server's certificate, its TLS version or the proxy; `detail` holds the
// transfer library's words, `proxy` the proxy's address.
std::string CertificateRejected(const std::string& detail);
std::string TlsRefused(const std::string& detail);
std::string ProxyUnreachable(const std::string& proxy, const std::string& detail);
std::string ProxyWantsLogin(const std::string& proxy);
std::string ProxyRefused(const std::string& proxy, long status);
}  // namespace texts
