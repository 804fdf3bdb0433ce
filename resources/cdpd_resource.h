// Control and dialog numbers of the CDPD setup dialogs 104 to 106.
#pragma once
