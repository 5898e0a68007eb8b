// The process locale built from the Windows user default.
//
// MinGW's libstdc++ has only the generic locale model, where std::locale("") throws. The user
// default is rebuilt here from the Windows locale data instead: decimal point, group separator
// and grouping, so that numbers the program writes and reads group as they do on the target.
#pragma once

#include <string>

#include "app/NumberFormat.h"

// Windows LOCALE_SGROUPING ("3;0", "3;2;0", "3", "0") to std::numpunct grouping.
std::string GroupingFromWindows(const std::wstring& windowsGrouping);

// The number format of the Windows user-default locale.
NumberFormat UserDefaultNumberFormat();

// Makes the user default the global C++ locale and the C runtime's locale. Never throws: on
// any failure the classic locale stays.
void ApplyUserDefaultLocale();
