// Control and dialog numbers of the 3G setup dialogs 107 to 109.
#pragma once
