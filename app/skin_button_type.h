// The type of the main window's eight image buttons.
#pragma once

#include "skin/skin_button.h"

using CSkinButtonType = CxSkinButton;
