#include "workflow/MainTexts.h"

#include <cwchar>

namespace main_texts {

const wchar_t kTitle[] = L"Quorrin一键装机";
const wchar_t kTitleMarkup[] =
    L"{&#font=6}{&#color=0xffffff}Quorrin一键装机  V2.5{&#/color}{&#/font}";
const wchar_t kLogSearching[] = L"正在获取缓存位置->";
const wchar_t kNoRoom[] = L"检测到系统安装所需要的空间不足，\n请清除硬盘空间后再尝试操作";
const wchar_t kCannotDownload[] = L"对不起,无法下载文件, 请查阅日志!";
const wchar_t kFailureCaption[] = L"出错了";
const wchar_t kStatusInitial[] = L"{&#font=5}{&#color=0x484848}WinXP 极速{&#/color}{&#/font}";
const wchar_t kStatusReady[] = L"重装所需文件准备完毕，建议立即重装. . .";
const wchar_t kStatusWaiting[] = L"正在准备系统重装文件，请耐心等待，重装后还你一个极速系统 . . .";
const wchar_t kHomePageCaption[] = L"设置安全上网主页";
const wchar_t kMiniInstall[] =
    L"{&#font=6}{&#color=0x00888888}{&#a=button:0x0401}最小化安装{&#/a}{&#/color}{&#/font}";
const wchar_t kTrayRestore[] = L"点我恢复";
const wchar_t kTrayExit[] = L"点我退出";

const wchar_t* const kAnimation[kAnimationSteps] = {
    L"正在优化系统 .",       L"正在优化系统 . .",       L"正在优化系统 . . .",
    L"正在优化系统 . . . .", L"正在优化系统 . . . . .", L"正在优化系统 . . . . . .",
    L"正在备份文件 .",       L"正在备份文件 . .",       L"正在备份文件 . . .",
    L"正在备份文件 . . . .", L"正在备份文件 . . . . .", L"正在备份文件 . . . . . .",
};

namespace {
constexpr unsigned kAgeLimitDays = 90;
}  // namespace

std::wstring CheckSentence(unsigned days) {
    if (days <= kAgeLimitDays) {
        return L"{&#font=6}{&#color=0x484848}系统体检，你的操作系统存在较多垃圾，性能正在下降，"
               L"建议立即更新系统。{&#/color}{&#/font}";
    }
    wchar_t text[2048];
    std::swprintf(text, 2048,
                  L"{&#font=6}{&#color=0x484848}系统体检，你的操作系统安装已经超过%u天，"
                  L"性能正在下降，建议立即更新系统。{&#/color}{&#/font}",
                  days);
    return text;
}

std::wstring WebSiteLink(const wchar_t* site) {
    return std::wstring(L"{&#font=6}{&#color=0xffffff}{&#a=\"") + site +
           L"\"}关注网站{&#/a}{&#/color}{&#/font}";
}

std::wstring XpCaption(bool xpRefused) {
    return xpRefused ? L"{&#font=6}{&#color=0xCCCCCC}WinXP{&#/color}{&#/font}"
                     : L"{&#font=6}{&#color=0x484848}WinXP{&#/color}（{&#color=0x0080ff}推荐{&#/"
                       L"color}）{&#/font}";
}

std::wstring Win7Caption(bool xpRefused) {
    return xpRefused
               ? L"{&#font=6}{&#color=0x484848}Win7旗舰版{&#/color}（{&#color=0x0080ff}推荐{&#/"
                 L"color}）{&#/font}"
               : L"{&#font=6}{&#color=0x484848}Win7旗舰版{&#/color}{&#/font}";
}

}  // namespace main_texts
