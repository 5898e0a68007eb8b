// All owners of GDI handles and DC state.
#pragma once

#include "skin/GdiOwner.h"
#include "skin/GdiPaintDC.h"
#include "skin/GdiSavedState.h"
#include "skin/GdiSelectedObject.h"
#include "skin/GdiViewportOrigin.h"
#include "skin/GdiWindowDC.h"
