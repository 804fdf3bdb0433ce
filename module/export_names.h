// The names lorvane.dll publishes its exports under, as a host built with the platform's own
// compiler looks them up: Microsoft's decorations, which spell the pointer size (PAX on 32 bits,
// PEAX on 64). For programs that load the module with GetProcAddress.
#pragma once

#if defined(_WIN64)
#define LORVANE_PTR "PEAX"
#define LORVANE_MARVOLT_ASSIGN "??4CMarvolt@@QEAAAEAV0@AEBV0@@Z"
#else
#define LORVANE_PTR "PAX"
#define LORVANE_MARVOLT_ASSIGN "??4CMarvolt@@QAEAAV0@ABV0@@Z"
#endif

constexpr const char kExportCdpdIni[] = "?cdpdIni@@YAX" LORVANE_PTR "@Z";
constexpr const char kExportCdpdStartTrack[] = "?cdpdStartTrack@@YAX" LORVANE_PTR "@Z";
constexpr const char kExportCdpdStopTrack[] = "?cdpdStopTrack@@YAXXZ";
constexpr const char kExportThreeGIni[] = "?ThreeGIni@@YAX" LORVANE_PTR "@Z";
constexpr const char kExportThreeGServerSetup[] = "?ThreeGServerSetup@@YAX" LORVANE_PTR "@Z";
constexpr const char kExportThreeGStartTrack[] = "?ThreeGStartTrack@@YA_N" LORVANE_PTR "@Z";
constexpr const char kExportThreeGStopTrack[] = "?ThreeGStopTrack@@YAXXZ";
constexpr const char kExportThreeGStartSend[] = "?ThreeGStartSend@@YA_N" LORVANE_PTR "@Z";
constexpr const char kExportThreeGStopSend[] = "?ThreeGStopSend@@YAXXZ";
constexpr const char kExportMarvoltAssign[] = LORVANE_MARVOLT_ASSIGN;

#undef LORVANE_PTR
#undef LORVANE_MARVOLT_ASSIGN
