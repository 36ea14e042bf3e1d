/* The page's resource and control numbers, shared by the resource script and the code. */
#pragma once

#define IDD_DEVICE_DETAILS 109 /* the page template */
#define IDB_BOARD 110          /* the board picture beside the name */

/* Controls of the page template. */
#define IDC_HARDWARE_NAME 1001
#define IDC_CONFIGURE 1021
#define IDC_CONFIGURE_HINT 1022
#define IDC_FEATURE_BOX 1023
