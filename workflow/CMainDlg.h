// The main window: the system check and the choice on page 1, the download's progress on page 2,
// the hand-off to the installer, and the tray icon. A modal dialog from an in-memory template
// whose whole client area is drawn by its windowless controls.
#pragma once

#include <windows.h>

#include <memory>
#include <string>
#include <variant>

#include "base/CloudConfig.h"
#include "richtext/CSomTextWnd.h"
#include "skin/CIndirectDialog.h"
#include "skin/CMemDlgTemplate.h"
#include "skin/CSomButton4.h"
#include "skin/CSomImageWnd.h"
#include "skin/CSomProgressCtrl.h"
#include "skin/CSomWndManager.h"
#include "workflow/CTrayIconImpl.h"
#include "workflow/SystemProbe.h"

class quorrin_download_mgr;

class CMainDlg : public CIndirectDialog, public CTrayIconImpl<CMainDlg>, public CSomWndManager {
public:
    enum : int { PAGE_CHOOSE = 1, PAGE_PROGRESS = 2 };
    static constexpr UINT_PTR TIMER_PROGRESS = 257;
    static constexpr UINT kProgressPeriod = 4096;
    enum : WORD {
        ID_SYSMIN = 257,
        ID_SYSMAX = 258,
        ID_SYSCLOSE = 259,
        ID_START = 769,
        ID_MINI_INSTALL = 1025,
    };

    // The image links come from `config`, which the window keeps for its whole life.
    explicit CMainDlg(const CloudConfig& config);
    ~CMainDlg() override;

    using CIndirectDialog::m_hWnd;

    // Runs the window modally over `owner`: 0 after the tray menu's quit, -1 when the window
    // cannot be created.
    INT_PTR DoModal(HWND owner);

    BOOL ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result, DWORD messageMapId) override;
    // The background image fills the client area, drawn one pixel up and left so that its
    // outermost column and row lie under the border.
    void DrawBackground(HDC dc, const RECT* rc) override;

    void OnStart();
    void OnProgressTick();
    void OnExit();
    void ShowPage(int page);
    void UpdateCheckText();
    // A press on the free surface, in client coordinates: drags the window and, on page 1,
    // changes the choice or the check box.
    void OnChoiceClick(int x, int y);

    std::unique_ptr<quorrin_download_mgr> m_pDownloadMgr;
    int m_nPage = 0;
    SystemChoice m_nChoice = kChoiceXp;
    wchar_t m_szImagePath[MAX_PATH + 4] = {};
    bool m_bXpRefused = false;
    bool m_bHomePage = true;

    CSomTextWnd m_title;
    CSomButton4 m_btnSysMin;
    CSomButton4 m_btnSysMax;
    CSomButton4 m_btnSysClose;
    CSomTextWnd m_webLink;
    CSomTextWnd m_checkText;
    CSomImageWnd m_picXp;
    CSomImageWnd m_picWin7;
    CSomTextWnd m_captionXp;
    CSomTextWnd m_captionWin7;
    CSomImageWnd m_radioXp;
    CSomImageWnd m_radioWin7;
    CSomImageWnd m_textBottom;
    CSomButton4 m_btnStart;
    CSomImageWnd m_checkHome;
    CSomTextWnd m_checkHomeCaption;
    CSomImageWnd m_step;
    CSomProgressCtrl m_progress;
    CSomTextWnd m_speed;
    CSomTextWnd m_status;
    CSomTextWnd m_miniInstall;

protected:
    // What the window asks of the machine and the process, replaceable where a test must make a
    // case the platform cannot or must survive the outcome.
    virtual bool ProbeXpRefusedNow();
    virtual void Pause(DWORD milliseconds);
    // Ends the process at once after a download failure was shown.
    virtual void EndProcess(UINT code);
    // The drives the target search sees.
    DriveQueries m_drives = RealDriveQueries();

private:
    using ControlRef = std::variant<CSomTextWnd*, CSomImageWnd*, CSomButton4*, CSomProgressCtrl*>;
    struct ControlRow;

    // Creates every control from the window's table of them.
    void OnInitDialog();
    void CreateFromRow(const ControlRow& row);
    void OnCommand(WORD id);
    void SetChoice(SystemChoice choice);
    void ShowFailure();
    void CompleteHandoff();
    void Hide();
    bool InZone(const POINT& pt, const CSomWnd& a, const CSomWnd& b, const CSomWnd& c) const;

    const CloudConfig m_config;
    CMemDlgTemplate m_template;
};
