#include "download/EngineTexts.h"

#include <string>

#include "base/AnsiText.h"

namespace texts {

const std::string& NoLinkLeft() {
    static const std::string value = ToAnsi(L"无法获取有效链接， 链接已尝试完!");
    return value;
}
const std::string& ProbeFailed() {
    static const std::string value = ToAnsi(L"连接出错或超时, 无法获取下载文件大小");
    return value;
}
const std::string& NoFileSize() {
    static const std::string value = ToAnsi(L"无法获取文件大小");
    return value;
}
const std::string& UserStop() {
    static const std::string value = ToAnsi(L"用户中断下载!");
    return value;
}
const std::string& LocalFileFailed() {
    static const std::string value = ToAnsi(L"本地文件未打开或文件流异常!");
    return value;
}
const std::string& ZeroRate() {
    static const std::string value = ToAnsi(L"零速度超时");
    return value;
}
const std::string& TooMuchData() {
    static const std::string value = ToAnsi(L"服务器发送的数据超出文件大小");
    return value;
}
const std::string& NotTheRest() {
    static const std::string value =
        ToAnsi(L"服务器没有返回续传的数据, 已下载的部分已保留, 请稍后再试");
    return value;
}
std::string BadStatus(long status) {
    return ToAnsi(L"服务器返回了错误的应答, 状态码 ") + std::to_string(status);
}
std::string TransferFailed(const char* reason) {
    return ToAnsi(L"下载连接出错: ") + reason;
}
std::string SizeMismatch(long long stored, long long expected) {
    return ToAnsi(L"下载的文件大小与服务器不符: ") + std::to_string(stored) + " / " +
           std::to_string(expected);
}

const std::string& ImageDamaged() {
    static const std::string value = ToAnsi(
        L"下载的镜像校验不符， 可能已损坏或被篡改， 不会用于安装。 它已被移到一旁， "
        L"请重新运行本程序再次下载!");
    return value;
}

std::string CertificateRejected(const std::string& detail) {
    return ToAnsi(L"服务器证书验证失败 (不受信任、 已过期或与网址不符): ") + detail;
}
std::string TlsRefused(const std::string& detail) {
    return ToAnsi(L"TLS 握手失败, 服务器可能只支持 TLS 1.2 以下的旧版本: ") + detail;
}
std::string ProxyUnreachable(const std::string& proxy, const std::string& detail) {
    return ToAnsi(L"无法连接代理服务器 ") + proxy + ": " + detail;
}
std::string ProxyWantsLogin(const std::string& proxy) {
    return ToAnsi(L"代理服务器 ") + proxy + ToAnsi(L" 要求身份验证 (HTTP 407)");
}
std::string ProxyRefused(const std::string& proxy, long status) {
    return ToAnsi(L"代理服务器 ") + proxy + ToAnsi(L" 拒绝了请求 (HTTP ") + std::to_string(status) +
           ")";
}

}  // namespace texts
