// The main window's own texts: label markup and messages. Free of Win32.
#pragma once

#include <string>

namespace main_texts {

// Window text, tray tip and message-box caption.
extern const wchar_t kTitle[];
extern const wchar_t kTitleMarkup[];
extern const wchar_t kLogSearching[];
extern const wchar_t kNoRoom[];
extern const wchar_t kCannotDownload[];
extern const wchar_t kFailureCaption[];
extern const wchar_t kStatusInitial[];
extern const wchar_t kStatusReady[];
extern const wchar_t kStatusWaiting[];
extern const wchar_t kHomePageCaption[];
extern const wchar_t kMiniInstall[];
extern const wchar_t kTrayRestore[];
extern const wchar_t kTrayExit[];

// The twelve texts of the start animation, shown 100 ms each.
constexpr int kAnimationSteps = 12;
extern const wchar_t* const kAnimation[kAnimationSteps];

// The system-check sentence for an installation `days` old: the age itself past 90 days,
// the general one otherwise.
std::wstring CheckSentence(unsigned days);

// The web-site link: "关注网站" opening `site`.
std::wstring WebSiteLink(const wchar_t* site);

// The two system captions: the recommended one carries "（推荐）", a refused XP is grey.
std::wstring XpCaption(bool xpRefused);
std::wstring Win7Caption(bool xpRefused);

}  // namespace main_texts
