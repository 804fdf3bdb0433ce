// The CDPD setup dialog (104) and the add (105) and modify (106) dialogs it runs.
#pragma once

// cdpdIni: stores the host's window and runs the setup dialog over it until the user leaves it.
void runCdpdSetup(void* hostWindow);
