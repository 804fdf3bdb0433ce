// What the module's detach needs of the CDPD exports' shell.
#pragma once

// cdpdStopTrack, and then the poll thread is waited for, with a bound, and its handles released.
void cdpdStopTrackAndWait();
