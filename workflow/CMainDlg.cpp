#include "workflow/CMainDlg.h"

#include "Deployment.h"
#include "base/CenterOnWorkArea.h"
#include "base/DebugLog.h"
#include "download/TransferSettings.h"
#include "download/UrlMgr.h"
#include "download/quorrin_download_mgr.h"
#include "skin/GdiHandle.h"
#include "skin/SkinImages.h"
#include "workflow/CWarnDialog.h"
#include "workflow/InstallerHandoff.h"
#include "workflow/MainTexts.h"
#include "workflow/ProgressFigures.h"

namespace {

// Every control but the maximise button and the minimised-install link: visible, sized from
// its image or text, drawn over the background.
constexpr DWORD kDefaultStyle = SWS_VISIBLE | SWS_AUTOSIZE | SWS_TRANSPARENT;
constexpr int kIconResource = 203;
constexpr int kCornerEllipse = 16;
constexpr DWORD kAnimationPause = 100;
constexpr int kCheckTextY = 180;
constexpr int kProgressWidth = 412;
constexpr int kProgressHeight = 20;
constexpr int kMiniInstallWidth = 100;
constexpr int kMiniInstallHeight = 40;
constexpr COLORREF kHeaderLink = 0x00FFFFFF;
constexpr COLORREF kHeaderLinkHover = 0x0080E8FF;
constexpr DWORD kTemplateStyle = WS_POPUP | WS_CLIPCHILDREN | WS_BORDER | DS_CENTER;

int Width(const CSomWnd& w) {
    return w.m_rc.right - w.m_rc.left;
}

}  // namespace

CMainDlg::CMainDlg(const CloudConfig& config) : m_config(config) {}

// The worker is stopped and waited for by its manager's destructor; the tray icon goes with the
// tray base.
CMainDlg::~CMainDlg() = default;

INT_PTR CMainDlg::DoModal(HWND owner) {
    if (!m_template.IsValid())
        m_template.Create(kTemplateStyle, 0, 0, 0, 0, 0, nullptr);
    return RunModal(m_template.Get(), owner);
}

BOOL CMainDlg::ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                    LRESULT& result, DWORD messageMapId) {
    if (messageMapId != 0)
        return FALSE;
    // Passed on whatever its id, so that the control manager also sees its own timer.
    if (message == WM_TIMER && wParam == TIMER_PROGRESS)
        OnProgressTick();
    if (CSomWndManager::ProcessWindowMessage(window, message, wParam, lParam, result, 0))
        return TRUE;
    if (message == m_nTrayMessage) {
        result = OnTrayNotify(wParam, lParam);
        return TRUE;
    }
    if (message == m_nTaskbarCreated) {
        OnTaskbarCreated();
        result = 0;
        return TRUE;
    }
    switch (message) {
        case WM_LBUTTONDOWN:
        // The class delivers a quick second press as a double click; it is a press like the
        // first, so two quick clicks on the check box toggle it twice.
        case WM_LBUTTONDBLCLK:
            OnChoiceClick(static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam)));
            return FALSE;
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case ID_SYSMIN:
                case ID_SYSCLOSE:
                case ID_MINI_INSTALL:
                case ID_TRAY_RESTORE:
                case ID_TRAY_EXIT:
                case ID_START:
                    OnCommand(LOWORD(wParam));
                    result = 0;
                    return TRUE;
                default:
                    return FALSE;
            }
        case WM_INITDIALOG:
            OnInitDialog();
            result = 1;
            return TRUE;
        case WM_CLOSE:
            Hide();
            result = 0;
            return TRUE;
        default:
            return FALSE;
    }
}

void CMainDlg::OnCommand(WORD id) {
    switch (id) {
        case ID_SYSMIN:
        case ID_SYSCLOSE:
        case ID_MINI_INSTALL:
            Hide();
            break;
        case ID_TRAY_RESTORE:
            ShowWindow(m_hWnd, SW_SHOWNORMAL);
            break;
        case ID_TRAY_EXIT:
            OnExit();
            break;
        case ID_START:
            OnStart();
            break;
        default:
            break;
    }
}

void CMainDlg::Hide() {
    ShowWindow(m_hWnd, SW_HIDE);
}

void CMainDlg::DrawBackground(HDC dc, const RECT* rc) {
    CSomBitmap& background = SkinImages::MainBackground();
    background.DrawFrame(dc, -1, -1, 0);
    RECT client{};
    GetClientRect(m_hWnd, &client);
    const int right = client.right - 1;
    const int bottom = client.bottom - 1;
    // Drawn at (-1, -1) the image stops one column and one row short of the client's edge; they
    // repeat the image's own last column and row, so that every pixel is painted, in the window
    // and in the shared buffer that transparent controls are composed in.
    struct Strip {
        RECT clip;
        int x;
        int y;
    };
    const Strip strips[] = {
        {{right, 0, client.right, bottom}, 0, -1},
        {{0, bottom, right, client.bottom}, -1, 0},
        {{right, bottom, client.right, client.bottom}, 0, 0},
    };
    for (const Strip& strip : strips) {
        // Most requests are one control's rectangle, far from the edge: no extra copy then.
        RECT overlap{};
        if (rc && !IntersectRect(&overlap, &strip.clip, rc))
            continue;
        gdi::SavedState saved(dc);
        IntersectClipRect(dc, strip.clip.left, strip.clip.top, strip.clip.right, strip.clip.bottom);
        background.DrawFrame(dc, strip.x, strip.y, 0);
    }
}

// One control of the window: what it is, what it shows, where it sits and what it sends.
// Created in the table's order, which is also the order they are drawn and hit in.
struct CMainDlg::ControlRow {
    ControlRef control;
    // A picture, or a button's background.
    CSomBitmap* image;
    int frame;
    int x;
    int y;
    DWORD style;
    UINT command;
    // A label's markup.
    std::wstring text;
    // A fixed box; zero sizes the control to its image or text.
    int cx;
    int cy;
};

void CMainDlg::CreateFromRow(const ControlRow& row) {
    if (auto* const* label = std::get_if<CSomTextWnd*>(&row.control)) {
        CreateControl(**label, row.style, row.command, row.x, row.y);
        if (row.cx > 0)
            SizeWnd(*label, row.cx, row.cy);
        if (!row.text.empty())
            (*label)->SetText(row.text.c_str());
    } else if (auto* const* image = std::get_if<CSomImageWnd*>(&row.control)) {
        CreateControl(**image, row.style, row.command, row.x, row.y);
        (*image)->SetImage(row.frame, row.image);
    } else if (auto* const* button = std::get_if<CSomButton4*>(&row.control)) {
        CreateControl(**button, row.style, row.command, 0, 0);
        SetWndPos(*button, row.x, row.y);
        (*button)->m_pBack = row.image;
        (*button)->UpdateLayout();
    } else if (auto* const* bar = std::get_if<CSomProgressCtrl*>(&row.control)) {
        CreateControl(**bar, row.style, row.command, row.x, row.y);
        (*bar)->m_nRange = 100;
        (*bar)->m_nPos = 0;
        MoveWnd(*bar, row.x, row.y, row.cx, row.cy);
        RedrawWnd(*bar, nullptr, FALSE, 0);
    }
}

void CMainDlg::OnInitDialog() {
    m_pDownloadMgr.reset();
    SetWindowTextW(m_hWnd, main_texts::kTitle);

    CSomBitmap& background = SkinImages::MainBackground();
    background.EnsureLoaded();
    RECT frame{0, 0, background.m_cxFrame, background.m_cy};
    AdjustWindowRect(&frame, static_cast<DWORD>(GetWindowLongW(m_hWnd, GWL_STYLE)), FALSE);
    MoveWindow(m_hWnd, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top,
               TRUE);
    CenterOnWorkArea(m_hWnd);
    // In window coordinates, over the whole window with its border; the window owns the region
    // once it is set.
    gdi::Region region(CreateRoundRectRgn(0, 0, frame.right - frame.left + 1,
                                          frame.bottom - frame.top + 1, kCornerEllipse,
                                          kCornerEllipse));
    if (region && SetWindowRgn(m_hWnd, region.Get(), FALSE))
        region.Release();

    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const auto icon = static_cast<HICON>(
        LoadImageW(instance, MAKEINTRESOURCEW(kIconResource), IMAGE_ICON,
                   GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_DEFAULTCOLOR));
    AddTrayIcon(m_hWnd, icon, main_texts::kTitle);

    CSomBitmap& sysMin = SkinImages::SysMin();
    CSomBitmap& sysMax = SkinImages::SysMax();
    CSomBitmap& sysClose = SkinImages::SysClose();
    for (CSomBitmap* image : {&sysMin, &sysMax, &sysClose})
        image->EnsureLoaded();
    // The caption buttons line up against the right edge, each as wide as its image.
    const int closeX = background.m_cxFrame - sysClose.m_cxFrame;
    const int maxX = closeX - sysMax.m_cxFrame;
    const int minX = maxX - sysMin.m_cxFrame;
    // A link takes its colours from the label, not from the markup; the label's own dark blue
    // would vanish on the header.
    m_webLink.m_crLink = kHeaderLink;
    m_webLink.m_crHover = kHeaderLinkHover;
    m_bXpRefused = ProbeXpRefusedNow();
    m_bHomePage = true;

    const ControlRow rows[] = {
        // Header.
        {&m_title, nullptr, 0, 15, 5, kDefaultStyle, 0, main_texts::kTitleMarkup, 0, 0},
        {&m_btnSysMin, &sysMin, 0, minX, 1, kDefaultStyle, ID_SYSMIN, {}, 0, 0},
        {&m_btnSysMax, &sysMax, 0, maxX, 1, kDefaultStyle | SWS_DISABLED, ID_SYSMAX, {}, 0, 0},
        {&m_btnSysClose, &sysClose, 0, closeX, 1, kDefaultStyle, ID_SYSCLOSE, {}, 0, 0},
        {&m_webLink, nullptr, 0, 750, 145, kDefaultStyle, 0,
         main_texts::WebSiteLink(deployment::kWebSite), 0, 0},
        // Page 1: the check, the choice, Start and the home-page box.
        {&m_checkText, nullptr, 0, 100, kCheckTextY, kDefaultStyle, 0, {}, 0, 0},
        {&m_picXp, &SkinImages::WinXP(), 0, 116, 248, kDefaultStyle, 0, {}, 0, 0},
        {&m_picWin7, &SkinImages::Win7(), 0, 455, 248, kDefaultStyle, 0, {}, 0, 0},
        {&m_captionXp, nullptr, 0, 292, 310, kDefaultStyle, 0, main_texts::XpCaption(m_bXpRefused),
         0, 0},
        {&m_captionWin7, nullptr, 0, 625, 310, kDefaultStyle, 0,
         main_texts::Win7Caption(m_bXpRefused), 0, 0},
        {&m_radioXp, &SkinImages::SingleSelect(), 1, 255, 310, kDefaultStyle, 0, {}, 0, 0},
        {&m_radioWin7, &SkinImages::SingleSelect(), 1, 595, 310, kDefaultStyle, 0, {}, 0, 0},
        {&m_textBottom, &SkinImages::TextBottom(), 0, 186, 510, kDefaultStyle, 0, {}, 0, 0},
        {&m_btnStart, &SkinImages::Start(), 0, 332, 385, kDefaultStyle, ID_START, {}, 0, 0},
        {&m_checkHome, &SkinImages::Select(), 1, 350, 465, kDefaultStyle, 0, {}, 0, 0},
        {&m_checkHomeCaption, nullptr, 0, 370, 465, kDefaultStyle, 0, main_texts::kHomePageCaption,
         0, 0},
        // Page 2: the steps, the bar, the figures and the minimised-install link, which keeps
        // its place whatever its text measures.
        {&m_step, &SkinImages::Step(), 0, 20, 182, kDefaultStyle, 0, {}, 0, 0},
        {&m_progress, nullptr, 0, 214, 317, kDefaultStyle, 0, {}, kProgressWidth, kProgressHeight},
        {&m_speed, nullptr, 0, 634, 317, kDefaultStyle, 0, {}, 0, 0},
        {&m_status, nullptr, 0, 214, 340, kDefaultStyle, 0, main_texts::kStatusInitial, 0, 0},
        {&m_miniInstall, nullptr, 0, 750, 500, SWS_VISIBLE | SWS_TRANSPARENT, 0,
         main_texts::kMiniInstall, kMiniInstallWidth, kMiniInstallHeight},
    };
    for (const ControlRow& row : rows)
        CreateFromRow(row);

    UpdateCheckText();
    SetChoice(m_bXpRefused ? kChoiceWin7 : kChoiceXp);
    ShowPage(PAGE_CHOOSE);
}

bool CMainDlg::ProbeXpRefusedNow() {
    wchar_t systemDir[MAX_PATH] = {};
    GetSystemDirectoryW(systemDir, MAX_PATH);
    return ProbeXpRefused(GetOsVersionCode(), systemDir);
}

void CMainDlg::Pause(DWORD milliseconds) {
    Sleep(milliseconds);
}

void CMainDlg::EndProcess(UINT code) {
    ExitProcess(code);
}

void CMainDlg::UpdateCheckText() {
    const DWORD days = InstalledDays(GetUnixTimeNow(), GetInstallDate());
    m_checkText.SetText(main_texts::CheckSentence(days).c_str());
    RECT client{};
    GetClientRect(m_hWnd, &client);
    SetWndPos(&m_checkText, (client.right - Width(m_checkText)) / 2, kCheckTextY);
}

void CMainDlg::SetChoice(SystemChoice choice) {
    m_nChoice = choice;
    m_radioXp.SetImage(choice == kChoiceXp ? 0 : 1, &SkinImages::SingleSelect());
    m_radioWin7.SetImage(choice == kChoiceWin7 ? 0 : 1, &SkinImages::SingleSelect());
}

void CMainDlg::ShowPage(int page) {
    m_nPage = page;
    CSomWnd* const choosing[] = {&m_checkText,   &m_picXp,      &m_picWin7,         &m_captionXp,
                                 &m_captionWin7, &m_textBottom, &m_btnStart,        &m_radioXp,
                                 &m_radioWin7,   &m_checkHome,  &m_checkHomeCaption};
    CSomWnd* const progress[] = {&m_step, &m_progress, &m_speed, &m_status, &m_miniInstall};
    // One repaint for the whole change, not one per control.
    LockUpdate();
    for (CSomWnd* w : choosing)
        ShowWnd(w, FALSE);
    for (CSomWnd* w : progress)
        ShowWnd(w, FALSE);
    if (page == PAGE_CHOOSE) {
        for (CSomWnd* w : choosing)
            ShowWnd(w, TRUE);
    } else if (page == PAGE_PROGRESS) {
        for (CSomWnd* w : progress)
            ShowWnd(w, TRUE);
    }
    UnlockUpdate();
}

bool CMainDlg::InZone(const POINT& pt, const CSomWnd& a, const CSomWnd& b, const CSomWnd& c) const {
    return PtInRect(&a.m_rc, pt) || PtInRect(&b.m_rc, pt) || PtInRect(&c.m_rc, pt);
}

void CMainDlg::OnChoiceClick(int x, int y) {
    ::PostMessageW(m_hWnd, WM_NCLBUTTONDOWN, HTCAPTION, MAKELPARAM(x, y));
    // The choice recorded for the hand-off stays the one the download was started with.
    if (m_nPage != PAGE_CHOOSE)
        return;
    const POINT pt{x, y};
    if (InZone(pt, m_picXp, m_captionXp, m_radioXp)) {
        if (m_bXpRefused) {
            CWarnDialog warning;
            warning.DoModal(m_hWnd);
            return;
        }
        SetChoice(kChoiceXp);
    }
    if (InZone(pt, m_picWin7, m_captionWin7, m_radioWin7))
        SetChoice(kChoiceWin7);
    if (PtInRect(&m_checkHome.m_rc, pt) || PtInRect(&m_checkHomeCaption.m_rc, pt)) {
        m_bHomePage = !m_bHomePage;
        m_checkHome.SetImage(m_bHomePage ? 1 : 0, &SkinImages::Select());
    }
}

void CMainDlg::OnStart() {
    WriteLog(main_texts::kLogSearching);
    FindTargetPath(m_nChoice, m_szImagePath, m_drives);
    WriteLog(L"%s\n", m_szImagePath);
    if (m_szImagePath[0] == L'\0') {
        MessageBoxW(m_hWnd, main_texts::kNoRoom, main_texts::kTitle, MB_OK);
        return;
    }
    ShowPage(PAGE_PROGRESS);
    for (const wchar_t* text : main_texts::kAnimation) {
        m_status.SetText(text);
        Pause(kAnimationPause);
    }
    m_status.SetText(main_texts::kStatusWaiting);
    m_step.SetImage(1, &SkinImages::Step());
    try {
        // The proxy as the user set it now, for the share pages and the image alike.
        const TransferSettings network = TransferSettings::FromSystem();
        auto links = std::make_unique<UrlMgr>(m_config.linkRegex, network);
        if (m_nChoice == kChoiceXp)
            links->SelectList(m_config.xpUrls);
        else if (m_nChoice == kChoiceWin7)
            links->SelectList(m_config.win7Urls);
        m_pDownloadMgr = std::make_unique<quorrin_download_mgr>(
            std::move(links), boost::filesystem::path(m_szImagePath),
            m_nChoice == kChoiceXp ? m_config.xpSha256 : m_config.win7Sha256, network);
        m_pDownloadMgr->Start();
        SetTimer(m_hWnd, TIMER_PROGRESS, kProgressPeriod, nullptr);
    } catch (const std::exception& failure) {
        m_pDownloadMgr.reset();
        // The message sends the user to the log: the reason must be there.
        debug_log.Write(std::string(failure.what()) + "\n");
    } catch (...) {
        m_pDownloadMgr.reset();
    }
    if (!m_pDownloadMgr)
        MessageBoxW(m_hWnd, main_texts::kCannotDownload, nullptr, MB_OK);
}

void CMainDlg::OnProgressTick() {
    if (m_nPage != PAGE_PROGRESS)
        return;
    if (!m_pDownloadMgr) {
        KillTimer(m_hWnd, TIMER_PROGRESS);
        return;
    }
    if (m_pDownloadMgr->IsFinished()) {
        if (m_pDownloadMgr->Outcome() == DownloadOutcome::Done)
            CompleteHandoff();
        else
            ShowFailure();
        return;
    }
    double d = 0;
    double t = 0;
    double v = 0;
    m_pDownloadMgr->QueryProgress(d, t, v);
    const ProgressFigures figures = ProgressFigures::Compute(d, t, v);
    m_progress.m_nPos = figures.position;
    RedrawWnd(&m_progress, nullptr, FALSE, 0);
    m_speed.SetText(figures.SpeedText().c_str());
    m_status.SetText(figures.StatusText().c_str());
}

void CMainDlg::ShowFailure() {
    KillTimer(m_hWnd, TIMER_PROGRESS);
    const std::string text = m_pDownloadMgr->ErrorText();
    if (!m_pDownloadMgr->LogText().empty())
        debug_log.Write(m_pDownloadMgr->LogText() + "\n");
    MessageBoxA(m_hWnd, text.c_str(), ToAnsi(main_texts::kFailureCaption).c_str(), MB_OK);
    // The process ends without its window's clean-up; its icon must not stay behind as a dead
    // one in the notification area.
    RemoveTrayIcon();
    EndProcess(0);
}

void CMainDlg::CompleteHandoff() {
    KillTimer(m_hWnd, TIMER_PROGRESS);
    // Links given up on the way (a certificate, the TLS version, the proxy) are worth a line
    // even when a later one delivered.
    if (!m_pDownloadMgr->LogText().empty())
        debug_log.Write(m_pDownloadMgr->LogText() + "\n");
    m_step.SetImage(2, &SkinImages::Step());
    m_progress.m_nPos = 100;
    RedrawWnd(&m_progress, nullptr, FALSE, 0);
    m_speed.SetText(L"");
    m_status.SetText(main_texts::kStatusReady);
    wchar_t program[MAX_PATH + 4] = {};
    GetModuleFileNameW(nullptr, program, MAX_PATH + 4);
    const std::wstring installer =
        installer_handoff::PlaceInstaller(m_szImagePath, m_nChoice, program);
    installer_handoff::RunInstaller(installer.c_str());
    Hide();
}

void CMainDlg::OnExit() {
    if (m_pDownloadMgr) {
        KillTimer(m_hWnd, TIMER_PROGRESS);
        // A worker inside a share-page fetch may take a while to end: the program is gone from
        // the screen and the notification area at once, and finishes the wait out of sight.
        Hide();
        RemoveTrayIcon();
        m_pDownloadMgr->StopAndWait();
        m_pDownloadMgr.reset();
    }
    EndDialog(0);
}
