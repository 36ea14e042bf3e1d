// ipv.h - codes of the IPV facility (IP voice).
// Plain #define lines only: the trace name loader reads this file at run time, so every
// code is one "#define NAME value" line and comments use "//".
#ifndef TARROW_IPV_H
#define TARROW_IPV_H

#define MILL_FACILITY_IPV 0x0A

// Modes (START and FINISH)
#define IPV_HOST_MODE 0x02
#define IPV_RTP_MODE 0x03
#define IPV_IVR_MODE 0x04

// Events (EVENT)
#define IPV_HOST_MODE_STARTED_EVENT 0x02
#define IPV_HOST_MODE_FINISHED_EVENT 0x03
#define IPV_RTP_MODE_STARTED_EVENT 0x04
#define IPV_RTP_MODE_FINISHED_EVENT 0x05
#define IPV_IVR_MODE_STARTED_EVENT 0x06
#define IPV_IVR_MODE_FINISHED_EVENT 0x07
#define IPV_HOST_FRAME_TICK_EVENT 0x08
#define IPV_RTP_FRAME_TICK_EVENT 0x09
#define IPV_IVR_FRAME_TICK_EVENT 0x0A

#endif  // TARROW_IPV_H
