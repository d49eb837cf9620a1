#include "options.h"

COptions* g_pOptions = nullptr;
