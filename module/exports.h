// The functions lorvane.dll exports to its host. Each is published under the name the platform's
// own C++ compiler gives it (see lorvane_x64.def and lorvane_i686.def), so this header serves hosts built with either
// compiler.
#pragma once

// CDPD: the setup dialog, start and stop of polling.
void cdpdIni(void* hostWindow);
void cdpdStartTrack(void* hostWindow);
void cdpdStopTrack();

// 3G: the setup dialog, the server dialog, start and stop of tracking and of sending.
void ThreeGIni(void* hostWindow);
void ThreeGServerSetup(void* hostWindow);
bool ThreeGStartTrack(void* hostWindow);
void ThreeGStopTrack();
bool ThreeGStartSend(void* hostWindow);
void ThreeGStopSend();
