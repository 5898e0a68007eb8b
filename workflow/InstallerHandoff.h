// The hand-off after a complete download: the installer program and a marker naming the chosen
// system are placed beside the image, and the installer is started and waited for.
#pragma once

#include <string>

#include "workflow/SystemProbe.h"

namespace installer_handoff {

extern const wchar_t kInstallerName[];

// `name` in the folder of the file `file` (the shell's path append of "..\name").
std::wstring Beside(const wchar_t* file, const wchar_t* name);

// Copies "QrnOneKey.exe" from beside `programPath` to beside `imagePath` (replacing a copy
// there), removes both markers and creates the one of `choice`: "xp.cfg" for 1 and 2,
// "win7.cfg" for 3 and 4, none otherwise. Returns the installer copy's path. Failures are not
// reported: the installer start that follows fails in its turn.
std::wstring PlaceInstaller(const wchar_t* imagePath, SystemChoice choice,
                            const wchar_t* programPath);

// Creates the empty file `path` and its folders; an existing file is left as it is. True when
// the file exists afterwards.
bool CreateMarkerFile(const wchar_t* path);

// Starts `path` with the command line " /set", shown normally, inheriting nothing, and waits
// for it to end. True when the wait ended normally.
bool RunInstaller(const wchar_t* path);

}  // namespace installer_handoff
