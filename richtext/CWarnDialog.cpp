#include "richtext/CWarnDialog.h"

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
    m_message.m_pManager = this;
    m_message.m_dwStyle = SWS_VISIBLE | SWS_AUTOSIZE;
    m_message.m_nID = 0;
    m_message.m_rc = {kMessageX, kMessageY, kMessageX, kMessageY};
    AddWnd(&m_message);
    m_message.OnCreate();
    m_message.OnMove(kMessageX, kMessageY);
    m_message.OnSize(0, 0);
    m_message.m_nLineHeight = kMessageLineHeight;
    SizeWnd(&m_message, kMessageWidth, kMessageHeight);
    m_message.m_nLineWidth = kMessageWidth;
    m_message.SetText(kMessage);

    if (m_btnCancel.m_dwStyle & SWS_VISIBLE) {
        m_btnCancel.m_dwStyle &= ~SWS_VISIBLE;
        RedrawWnd(&m_btnCancel, nullptr, TRUE, 0);
    }
}

void CWarnDialog::LayoutControls(const SIZE*) {
    SetWndPos(&m_message, kMessageX, kMessageY);
    MoveWnd(&m_btnOK, 250, 172, 62, 25);
}
