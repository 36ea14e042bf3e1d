// isdn.h - codes of the ISDN facility (ISDN layer control).
// Plain #define lines only: the trace name loader reads this file at run time, so every
// code is one "#define NAME value" line and comments use "//".
#ifndef TARROW_ISDN_H
#define TARROW_ISDN_H

#define MILL_FACILITY_ISDN 0x0E

// Tags
#define ISDN_VERSION_VAR 0x02
#define ISDN_ENDIAN_VAR 0x03
#define ISDN_INTERFACE_VERSION_VAR 0x04

// Modes (START and FINISH)
#define ISDN_CONTROL_TXRX_MODE 0x02

// Events (EVENT)
#define ISDN_CONTROL_TXRX_STARTED_EVENT 0x02
#define ISDN_CONTROL_TXRX_FINISHED_EVENT 0x03
#define ISDN_RESET_EVENT 0x04

// Requests (REQUEST)
#define ISDN_RESET_REQUEST 0x02

#endif  // TARROW_ISDN_H
