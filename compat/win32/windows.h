// The Win32 names that the property page and its hosts use. On Windows these are the system's own
// headers; elsewhere the declarations below, implemented by this folder.
#pragma once

#ifdef _WIN32
#include <windows.h>
// clang-format off
#include <commctrl.h>
#include <prsht.h>
#include <setupapi.h>
// clang-format on
#else

#include <cstddef>
#include <cstdint>

// ---- Base types -------------------------------------------------------------------------------

#define WINAPI
#define CALLBACK
#define APIENTRY

typedef int BOOL;
typedef unsigned char BYTE;
typedef uint16_t WORD;
typedef uint32_t DWORD;
typedef int32_t LONG;
typedef unsigned int UINT;
typedef char CHAR;
typedef uintptr_t WPARAM;
typedef intptr_t LPARAM;
typedef intptr_t LRESULT;
typedef intptr_t INT_PTR;
typedef uintptr_t UINT_PTR;
typedef uintptr_t ULONG_PTR;
typedef BYTE* PBYTE;
typedef BYTE* LPBYTE;
typedef DWORD* PDWORD;
typedef DWORD* LPDWORD;
typedef void* LPVOID;
typedef void* HANDLE;
typedef char* LPSTR;
typedef const char* LPCSTR;
typedef DWORD REGSAM;

typedef struct HWND__* HWND;
typedef struct HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;
typedef struct HKEY__* HKEY;
typedef HKEY* PHKEY;
typedef struct HGDIOBJ__* HGDIOBJ;
typedef HGDIOBJ HFONT;
typedef struct HICON__* HICON;
typedef void* HDEVINFO;
typedef struct _PSP* HPROPSHEETPAGE;
typedef INT_PTR (*FARPROC)();

#define TRUE 1
#define FALSE 0

#define LOWORD(l) ((WORD)(((uintptr_t)(l)) & 0xffff))
#define HIWORD(l) ((WORD)((((uintptr_t)(l)) >> 16) & 0xffff))
#define MAKEWPARAM(l, h) ((WPARAM)(DWORD)(((WORD)(l)) | (((DWORD)(WORD)(h)) << 16)))
#define MAKEINTRESOURCEA(i) ((LPSTR)(ULONG_PTR)((WORD)(i)))
#define IS_INTRESOURCE(r) ((((ULONG_PTR)(r)) >> 16) == 0)

// ---- Errors -----------------------------------------------------------------------------------

#define ERROR_SUCCESS 0L
#define ERROR_FILE_NOT_FOUND 2L
#define ERROR_PATH_NOT_FOUND 3L
#define ERROR_ACCESS_DENIED 5L
#define ERROR_INVALID_HANDLE 6L
#define ERROR_NOT_ENOUGH_MEMORY 8L
#define ERROR_BAD_FORMAT 11L
#define ERROR_GEN_FAILURE 31L
#define ERROR_INVALID_PARAMETER 87L
#define ERROR_INSUFFICIENT_BUFFER 122L
#define ERROR_BAD_EXE_FORMAT 193L
#define ERROR_FILENAME_EXCED_RANGE 206L
#define ERROR_MORE_DATA 234L
#define ERROR_DIRECTORY 267L
#define ERROR_INVALID_DATA 13L

DWORD WINAPI GetLastError();
void WINAPI SetLastError(DWORD error);
BOOL WINAPI CloseHandle(HANDLE handle);
int WINAPI lstrcmpiA(LPCSTR left, LPCSTR right);

// ---- Libraries --------------------------------------------------------------------------------

#define DLL_PROCESS_DETACH 0
#define DLL_PROCESS_ATTACH 1

// A name without a folder and without an extension is looked for as "lib" NAME ".so".
HMODULE WINAPI LoadLibraryA(LPCSTR file_name);
FARPROC WINAPI GetProcAddress(HMODULE module, LPCSTR proc_name);
BOOL WINAPI FreeLibrary(HMODULE module);

// ---- Registry ---------------------------------------------------------------------------------

#define HKEY_CLASSES_ROOT ((HKEY)(ULONG_PTR)0x80000000u)
#define HKEY_CURRENT_USER ((HKEY)(ULONG_PTR)0x80000001u)
#define HKEY_LOCAL_MACHINE ((HKEY)(ULONG_PTR)0x80000002u)
#define HKEY_USERS ((HKEY)(ULONG_PTR)0x80000003u)
#define HKEY_CURRENT_CONFIG ((HKEY)(ULONG_PTR)0x80000005u)

#define KEY_QUERY_VALUE 0x0001
#define KEY_READ 0x20019
#define KEY_ALL_ACCESS 0xF003F

#define REG_NONE 0
#define REG_SZ 1
#define REG_EXPAND_SZ 2
#define REG_BINARY 3
#define REG_DWORD 4
#define REG_MULTI_SZ 7

LONG WINAPI RegOpenKeyExA(HKEY key, LPCSTR sub_key, DWORD options, REGSAM sam, PHKEY result);
LONG WINAPI RegQueryValueExA(HKEY key, LPCSTR value_name, LPDWORD reserved, LPDWORD type,
                             LPBYTE data, LPDWORD data_size);
LONG WINAPI RegCloseKey(HKEY key);

// ---- Device information (SetupAPI) ------------------------------------------------------------

typedef struct _GUID {
  uint32_t Data1;
  uint16_t Data2;
  uint16_t Data3;
  uint8_t Data4[8];
} GUID;

typedef struct _SP_DEVINFO_DATA {
  DWORD cbSize;
  GUID ClassGuid;
  DWORD DevInst;
  ULONG_PTR Reserved;
} SP_DEVINFO_DATA, *PSP_DEVINFO_DATA;

#define SPDRP_DEVICEDESC 0x00000000
#define SPDRP_FRIENDLYNAME 0x0000000C
#define SPDRP_LOCATION_INFORMATION 0x0000000D
#define DICD_GENERATE_ID 0x00000001
#define INVALID_HANDLE_VALUE ((HANDLE)(intptr_t)-1)

HDEVINFO WINAPI SetupDiCreateDeviceInfoList(const GUID* class_guid, HWND parent);
BOOL WINAPI SetupDiCreateDeviceInfoA(HDEVINFO set, LPCSTR device_name, const GUID* class_guid,
                                     LPCSTR device_description, HWND parent, DWORD flags,
                                     PSP_DEVINFO_DATA data);
BOOL WINAPI SetupDiSetDeviceRegistryPropertyA(HDEVINFO set, PSP_DEVINFO_DATA data, DWORD property,
                                              const BYTE* buffer, DWORD size);
BOOL WINAPI SetupDiGetDeviceRegistryPropertyA(HDEVINFO set, PSP_DEVINFO_DATA data, DWORD property,
                                              PDWORD type, PBYTE buffer, DWORD size,
                                              PDWORD required_size);
BOOL WINAPI SetupDiDestroyDeviceInfoList(HDEVINFO set);

// ---- Property sheet pages ---------------------------------------------------------------------

typedef INT_PTR(CALLBACK* DLGPROC)(HWND, UINT, WPARAM, LPARAM);
struct _PROPSHEETPAGEA;
typedef UINT(CALLBACK* LPFNPSPCALLBACKA)(HWND, UINT, struct _PROPSHEETPAGEA*);
typedef BOOL(CALLBACK* LPFNADDPROPSHEETPAGE)(HPROPSHEETPAGE, LPARAM);

// The page description up to the header subtitle: 48 bytes with 4-byte pointers.
typedef struct _PROPSHEETPAGEA {
  DWORD dwSize;
  DWORD dwFlags;
  HINSTANCE hInstance;
  union {
    LPCSTR pszTemplate;
    const void* pResource;
  };
  union {
    HICON hIcon;
    LPCSTR pszIcon;
  };
  LPCSTR pszTitle;
  DLGPROC pfnDlgProc;
  LPARAM lParam;
  LPFNPSPCALLBACKA pfnCallback;
  UINT* pcRefParent;
  LPCSTR pszHeaderTitle;
  LPCSTR pszHeaderSubTitle;
} PROPSHEETPAGEA, *LPPROPSHEETPAGEA;
static_assert(sizeof(void*) != 4 || sizeof(PROPSHEETPAGEA) == 48, "PROPSHEETPAGEA is 48 bytes");
// The size of the version-2 description, the one the page fills: up to the header subtitle.
#define PROPSHEETPAGEA_V2_SIZE (offsetof(PROPSHEETPAGEA, pszHeaderSubTitle) + sizeof(LPCSTR))
typedef const PROPSHEETPAGEA* LPCPROPSHEETPAGEA;

typedef struct _SP_PROPSHEETPAGE_REQUEST {
  DWORD cbSize;
  DWORD PageRequested;
  HDEVINFO DeviceInfoSet;
  PSP_DEVINFO_DATA DeviceInfoData;
} SP_PROPSHEETPAGE_REQUEST, *PSP_PROPSHEETPAGE_REQUEST;

#define SPPSR_ENUM_ADV_DEVICE_PROPERTIES 3
#define PSP_USECALLBACK 0x00000080
#define PSPCB_ADDREF 0
#define PSPCB_RELEASE 1
#define PSPCB_CREATE 2

HPROPSHEETPAGE WINAPI CreatePropertySheetPageA(LPCPROPSHEETPAGEA page);
BOOL WINAPI DestroyPropertySheetPage(HPROPSHEETPAGE page);

// ---- Windows and dialogs ----------------------------------------------------------------------

#define WM_SETTEXT 0x000C
#define WM_GETTEXT 0x000D
#define WM_SETFONT 0x0030
#define WM_GETFONT 0x0031
#define WM_INITDIALOG 0x0110
#define WM_COMMAND 0x0111
#define BN_CLICKED 0
#define SW_HIDE 0
#define SW_SHOW 5

#define WS_POPUP 0x80000000L
#define WS_CHILD 0x40000000L
#define WS_VISIBLE 0x10000000L
#define WS_CAPTION 0x00C00000L
#define WS_BORDER 0x00800000L
#define WS_VSCROLL 0x00200000L
#define WS_SYSMENU 0x00080000L
#define WS_GROUP 0x00020000L
#define WS_TABSTOP 0x00010000L
#define DS_SETFONT 0x40L
#define DS_MODALFRAME 0x80L
#define SS_LEFT 0x0L
#define SS_BITMAP 0x0EL
#define BS_PUSHBUTTON 0x0L
#define ES_MULTILINE 0x0004L
#define ES_AUTOHSCROLL 0x0080L
#define ES_READONLY 0x0800L

#define MB_OK 0x0L
#define MB_ICONERROR 0x10L
#define MB_ICONINFORMATION 0x40L
#define IDOK 1

HWND WINAPI GetDlgItem(HWND dialog, int id);
BOOL WINAPI SetDlgItemTextA(HWND dialog, int id, LPCSTR text);
BOOL WINAPI ShowWindow(HWND window, int command);
LRESULT WINAPI SendMessageA(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
LRESULT WINAPI SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wparam, LPARAM lparam);
// Writes the message to standard error (and records it with its owner window); returns IDOK.
int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type);

// ---- Fonts ------------------------------------------------------------------------------------

#define LF_FACESIZE 32
typedef struct tagLOGFONTA {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  CHAR lfFaceName[LF_FACESIZE];
} LOGFONTA;
static_assert(sizeof(LOGFONTA) == 60, "LOGFONTA is 60 bytes");

#define ANSI_FIXED_FONT 11
#define ANSI_VAR_FONT 12
#define DEFAULT_PITCH 0
#define FIXED_PITCH 1
#define VARIABLE_PITCH 2
#define FF_MODERN 0x30
#define FF_SWISS 0x20
#define FW_NORMAL 400

HGDIOBJ WINAPI GetStockObject(int object);
int WINAPI GetObjectA(HGDIOBJ object, int size, LPVOID buffer);
HFONT WINAPI CreateFontA(int height, int width, int escapement, int orientation, int weight,
                         DWORD italic, DWORD underline, DWORD strike_out, DWORD char_set,
                         DWORD out_precision, DWORD clip_precision, DWORD quality,
                         DWORD pitch_and_family, LPCSTR face_name);
BOOL WINAPI DeleteObject(HGDIOBJ object);

// ---- Processes --------------------------------------------------------------------------------

typedef struct _STARTUPINFOA {
  DWORD cb;
  LPSTR lpReserved;
  LPSTR lpDesktop;
  LPSTR lpTitle;
  DWORD dwX, dwY, dwXSize, dwYSize, dwXCountChars, dwYCountChars, dwFillAttribute, dwFlags;
  WORD wShowWindow;
  WORD cbReserved2;
  LPBYTE lpReserved2;
  HANDLE hStdInput, hStdOutput, hStdError;
} STARTUPINFOA, *LPSTARTUPINFOA;

typedef struct _PROCESS_INFORMATION {
  HANDLE hProcess;
  HANDLE hThread;
  DWORD dwProcessId;
  DWORD dwThreadId;
} PROCESS_INFORMATION, *LPPROCESS_INFORMATION;

typedef struct _SECURITY_ATTRIBUTES SECURITY_ATTRIBUTES, *LPSECURITY_ATTRIBUTES;

#define DETACHED_PROCESS 0x00000008
#define NORMAL_PRIORITY_CLASS 0x00000020

void WINAPI GetStartupInfoA(LPSTARTUPINFOA info);
DWORD WINAPI GetCurrentDirectoryA(DWORD size, LPSTR buffer);
// Starts the program detached: a session of its own, no descriptors but the standard three (on
// /dev/null), the given environment and directory. Backslashes in paths are folder separators.
BOOL WINAPI CreateProcessA(LPCSTR application_name, LPSTR command_line,
                           LPSECURITY_ATTRIBUTES process_attributes,
                           LPSECURITY_ATTRIBUTES thread_attributes, BOOL inherit_handles,
                           DWORD creation_flags, LPVOID environment, LPCSTR current_directory,
                           LPSTARTUPINFOA startup_info, LPPROCESS_INFORMATION process_information);

#endif  // _WIN32
