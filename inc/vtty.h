// vtty.h - codes of the VTTY facility (virtual terminal).
// Plain #define lines only: the trace name loader reads this file at run time, so every
// code is one "#define NAME value" line and comments use "//".
#ifndef TARROW_VTTY_H
#define TARROW_VTTY_H

#define MILL_FACILITY_VTTY 0x0D

// Modes (START and FINISH)
#define VTTY_INTERACTIVE_MODE 0x02

// Events (EVENT)
#define VTTY_STARTED_EVENT 0x02
#define VTTY_FINISHED_EVENT 0x03
#define VTTY_BUSY_EVENT 0x04

#endif  // TARROW_VTTY_H
