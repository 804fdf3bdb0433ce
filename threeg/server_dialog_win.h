// The server dialog (111).
#pragma once

// ThreeGServerSetup: runs the dialog over the host's window (which is not stored).
void runServerDialog(void* hostWindow);
