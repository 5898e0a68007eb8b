// The process's skin table: every image of the skinned windows, constructed at start-up before
// any window and destroyed at exit.
#pragma once

#include "skin/CSomBitmap.h"
#include "skin/CSomBitmap9Part.h"
#include "skin/CSomBitmapHorizen3Part.h"

namespace SkinImages {

CSomBitmap& DialogLogo();
CSomBitmap& MainBackground();
CSomBitmap& Logo();
CSomBitmap& SingleSelect();
CSomBitmap& Select();
CSomBitmap& SysMin();
CSomBitmap& SysMax();
CSomBitmap& SysClose();
CSomBitmap& TextBottom();
CSomBitmap& WinXP();
CSomBitmap& Win7();
CSomBitmap& Start();
CSomBitmap& Step();
CSomBitmapHorizen3Part& ProgressFill();
CSomBitmapHorizen3Part& ProgressTrack();
CSomBitmap9Part& DialogBackground();
CSomBitmap& DialogClose();
CSomBitmap& DialogButton();

}  // namespace SkinImages
