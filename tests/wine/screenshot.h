// Moved: the PNG writer lives in host/window_png.h.
#pragma once
#include "host/window_png.h"
