// at_modem.h - codes of the AT_MODEM facility (AT command modem).
// Plain #define lines only: the trace name loader reads this file at run time, so every
// code is one "#define NAME value" line and comments use "//".
#ifndef TARROW_AT_MODEM_H
#define TARROW_AT_MODEM_H

#define MILL_FACILITY_AT_MODEM 0x03

// Modes (START and FINISH)
#define AT_MODEM_AT_MODEM_MODE 0x02

// Events (EVENT)
#define AT_MODEM_STATUS_EVENT 0x02
#define AT_MODEM_LINE_STATUS_EVENT 0x03
#define AT_MODEM_FLOW_STATUS_EVENT 0x04
#define AT_MODEM_RCV_FLUSH_COMPLETE_EVENT 0x05
#define AT_MODEM_TRANSMITTER_EMPTY_EVENT 0x06
#define AT_MODEM_STARTED_EVENT 0x07
#define AT_MODEM_FINISHED_EVENT 0x08

// Requests (REQUEST)
#define AT_MODEM_STATUS_REG_REQUEST 0x02
#define AT_MODEM_FLOW_STATUS_REQUEST 0x03
#define AT_MODEM_TRANSMIT_FLUSH_REQUEST 0x04
#define AT_MODEM_RECEIVE_FLUSH_REQUEST 0x05
#define AT_MODEM_TRANSMITTER_EMPTY_REQUEST 0x06

#endif  // TARROW_AT_MODEM_H
