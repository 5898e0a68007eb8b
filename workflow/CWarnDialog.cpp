#include "workflow/CWarnDialog.h"

namespace {

constexpr wchar_t kMessage[] =
    L"{&#color=0x323232}{&#font=5}检测到你的系统不支持安装WindowsXP，请选择安装Windows7旗舰版，"
    L"更安全稳定{&#/font}{&#/color}";

// The message box, in client pixels.
constexpr int kMessageX = 50;
constexpr int kMessageY = 70;
constexpr int kMessageWidth = 250;
constexpr int kMessageHeight = 70;
constexpr int kMessageLineHeight = 15;

}  // namespace

CWarnDialog::~CWarnDialog() = default;

void CWarnDialog::InitControls() {
    CreateControl(m_message, 0, kMessageX, kMessageY);
    m_message.m_nLineHeight = kMessageLineHeight;
    SizeWnd(&m_message, kMessageWidth, kMessageHeight);
    m_message.m_nLineWidth = kMessageWidth;
    m_message.SetText(kMessage);

    ShowWnd(&m_btnCancel, FALSE);
}

void CWarnDialog::LayoutControls(const SIZE*) {
    SetWndPos(&m_message, kMessageX, kMessageY);
    MoveWnd(&m_btnOK, 250, 172, 62, 25);
}
