// ip_cc.h - codes of the IP_CC facility (IP call control).
// Plain #define lines only: the trace name loader reads this file at run time, so every
// code is one "#define NAME value" line and comments use "//".
#ifndef TARROW_IP_CC_H
#define TARROW_IP_CC_H

#define MILL_FACILITY_IP_CC 0x13

// Tags
#define IP_CC_ERROR_CODE_VAR 0x13

// Events (EVENT)
#define IP_CC_SETUP_IND_EVENT 0x01
#define IP_CC_SETUP_ACK_EVENT 0x02
#define IP_CC_CONN_ACK_EVENT 0x03
#define IP_CC_CONNECT_EVENT 0x04
#define IP_CC_ALERTING_EVENT 0x05
#define IP_CC_HOLD_EVENT 0x06
#define IP_CC_RETRIEVE_EVENT 0x07
#define IP_CC_HOLD_ACK_EVENT 0x08
#define IP_CC_RETRIEVE_ACK_EVENT 0x09
#define IP_CC_DISCONNECT_EVENT 0x0A
#define IP_CC_CLEAR_EVENT 0x0B
#define IP_CC_RELEASE_EVENT 0x0C
#define IP_CC_ERROR_EVENT 0x0D
#define IP_CC_CP_EVENT 0x0E
#define IP_CC_RECONFIGURE_EVENT 0x0F
#define IP_CC_RING_DETECT_ENABLED_EVENT 0x10
#define IP_CC_OUTBOUND_STARTED_EVENT 0x11
#define IP_CC_IP_PORT_BUSY_EVENT 0x12

// Requests (REQUEST)
#define IP_CC_RING_DETECT_REQUEST 0x01
#define IP_CC_SETUP_REQUEST 0x02
#define IP_CC_RELEASE_REQUEST 0x03
#define IP_CC_CLEAR_REQUEST 0x04
#define IP_CC_SEND_ALERTING_REQUEST 0x05
#define IP_CC_CONNECT_REQUEST 0x06
#define IP_CC_HOLD_REQUEST 0x07
#define IP_CC_RETRIEVE_REQUEST 0x08
#define IP_CC_TRANSFER_REQUEST 0x09
#define IP_CC_USER_MSG_REQUEST 0x0A
#define IP_CC_RECONFIGURE_REQUEST 0x0B
#define IP_CC_IP_PORT_AVAILABLE_REQUEST 0x0C

#endif  // TARROW_IP_CC_H
