// The warning shown when Windows XP is chosen on a system that cannot take it.
#pragma once

#include "richtext/CBaseDialog.h"
#include "richtext/CMultiLineTextWndEx.h"

class CWarnDialog : public CBaseDialog {
public:
    CWarnDialog() = default;
    ~CWarnDialog() override;

    void InitControls() override;
    void LayoutControls(const SIZE* size) override;

    CMultiLineTextWndEx m_message;
};
