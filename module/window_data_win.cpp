// The device is 32-bit, and keeps a dialog's pointer in the window's LONG with GetWindowLongW and
// SetWindowLongW. A 64-bit pointer does not fit there, and the pointer-sized forms are the
// desktop's alone: for the x64 build, which runs only on the desktop, this file is the shim that
// stands for the device's pair, and the device-API test allows its calls
// (module/device_functions.txt).
#include "module/window_data_win.h"

void keepDialogData(HWND dialog, LPARAM data) {
#ifdef _WIN64
    SetWindowLongPtrW(dialog, GWLP_USERDATA, data);
#else
    SetWindowLongW(dialog, GWL_USERDATA, static_cast<LONG>(data));
#endif
}

void* dialogData(HWND dialog) {
#ifdef _WIN64
    return reinterpret_cast<void*>(GetWindowLongPtrW(dialog, GWLP_USERDATA));
#else
    return reinterpret_cast<void*>(GetWindowLongW(dialog, GWL_USERDATA));
#endif
}
