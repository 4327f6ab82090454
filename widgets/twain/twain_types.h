/*
 * twain_types.h --
 *
 *	The records, codes and entry point of the TWAIN 1.x interface
 *	between twimg and a source manager module, in the 1.x layout
 *	(structures packed to 2 bytes). Handles are pointers to memory from
 *	malloc: the receiver of a handle frees it with free().
 *	Shared by the library and the manager module (plain C).
 */
#ifndef OVEX_WIDGETS_TWAIN_TWAIN_TYPES_H
#define OVEX_WIDGETS_TWAIN_TWAIN_TYPES_H

#include <stdint.h>

typedef uint8_t TW_UINT8;
typedef int16_t TW_INT16;
typedef uint16_t TW_UINT16;
typedef int32_t TW_INT32;
typedef uint32_t TW_UINT32;
typedef uint16_t TW_BOOL;
typedef void *TW_HANDLE;
typedef void *TW_MEMREF;
typedef char TW_STR32[34];

#pragma pack(push, 2)

typedef struct TW_VERSION {
    TW_UINT16 MajorNum;
    TW_UINT16 MinorNum;
    TW_UINT16 Language;
    TW_UINT16 Country;
    TW_STR32 Info;
} TW_VERSION;

typedef struct TW_IDENTITY {
    TW_UINT32 Id;
    TW_VERSION Version;
    TW_UINT16 ProtocolMajor;
    TW_UINT16 ProtocolMinor;
    TW_UINT32 SupportedGroups;
    TW_STR32 Manufacturer;
    TW_STR32 ProductFamily;
    TW_STR32 ProductName;
} TW_IDENTITY;

typedef struct TW_STATUS {
    TW_UINT16 ConditionCode;
    TW_UINT16 Reserved;
} TW_STATUS;

typedef struct TW_PENDINGXFERS {
    TW_UINT16 Count;
    TW_UINT32 Reserved;
} TW_PENDINGXFERS;

typedef struct TW_USERINTERFACE {
    TW_BOOL ShowUI;
    TW_BOOL ModalUI;
    TW_HANDLE hParent;
} TW_USERINTERFACE;

typedef struct TW_EVENT {
    TW_MEMREF pEvent;
    TW_UINT16 TWMessage;
} TW_EVENT;

typedef struct TW_CAPABILITY {
    TW_UINT16 Cap;
    TW_UINT16 ConType;
    TW_HANDLE hContainer;
} TW_CAPABILITY;

typedef struct TW_ONEVALUE {
    TW_UINT16 ItemType;
    TW_UINT32 Item;
} TW_ONEVALUE;

typedef struct TW_FIX32 {
    TW_INT16 Whole;
    TW_UINT16 Frac;
} TW_FIX32;

typedef struct TW_IMAGEINFO {
    TW_FIX32 XResolution;
    TW_FIX32 YResolution;
    TW_INT32 ImageWidth;
    TW_INT32 ImageLength;
    TW_INT16 SamplesPerPixel;
    TW_INT16 BitsPerSample[8];
    TW_INT16 BitsPerPixel;
    TW_BOOL Planar;
    TW_INT16 PixelType;
    TW_UINT16 Compression;
} TW_IMAGEINFO;

typedef struct TW_SETUPMEMXFER {
    TW_UINT32 MinBufSize;
    TW_UINT32 MaxBufSize;
    TW_UINT32 Preferred;
} TW_SETUPMEMXFER;

#pragma pack(pop)

/* The manager's entry point, looked up as "DSM_Entry". */
typedef TW_UINT16 (*DSMENTRYPROC)(TW_IDENTITY *origin, TW_IDENTITY *destination, TW_UINT32 dg,
                                  TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data);

enum {
    DG_CONTROL = 0x1,
    DG_IMAGE = 0x2
};

enum {
    DAT_CAPABILITY = 0x1,
    DAT_EVENT = 0x2,
    DAT_IDENTITY = 0x3,
    DAT_PARENT = 0x4,
    DAT_PENDINGXFERS = 0x5,
    DAT_SETUPMEMXFER = 0x6,
    DAT_STATUS = 0x8,
    DAT_USERINTERFACE = 0x9,
    DAT_IMAGEINFO = 0x101,
    DAT_IMAGEMEMXFER = 0x103,
    DAT_IMAGENATIVEXFER = 0x104
};

enum {
    MSG_NULL = 0x0,
    MSG_GET = 0x1,
    MSG_GETCURRENT = 0x2,
    MSG_GETDEFAULT = 0x3,
    MSG_SET = 0x6,
    MSG_XFERREADY = 0x101,
    MSG_CLOSEDSREQ = 0x102,
    MSG_CLOSEDSOK = 0x103,
    MSG_OPENDSM = 0x301,
    MSG_CLOSEDSM = 0x302,
    MSG_OPENDS = 0x401,
    MSG_CLOSEDS = 0x402,
    MSG_USERSELECT = 0x403,
    MSG_DISABLEDS = 0x501,
    MSG_ENABLEDS = 0x502,
    MSG_ENABLEDSUIONLY = 0x503,
    MSG_PROCESSEVENT = 0x601,
    MSG_ENDXFER = 0x701
};

enum {
    TWRC_SUCCESS = 0,
    TWRC_FAILURE = 1,
    TWRC_CHECKSTATUS = 2,
    TWRC_CANCEL = 3,
    TWRC_DSEVENT = 4,
    TWRC_NOTDSEVENT = 5,
    TWRC_XFERDONE = 6,
    TWRC_ENDOFLIST = 7
};

enum {
    TWCC_SUCCESS = 0,
    TWCC_BUMMER = 1,
    TWCC_LOWMEMORY = 2,
    TWCC_NODS = 3,
    TWCC_OPERATIONERROR = 5,
    TWCC_BADCAP = 6,
    TWCC_BADPROTOCOL = 9,
    TWCC_BADVALUE = 10,
    TWCC_SEQERROR = 11,
    TWCC_BADDEST = 12
};

enum {
    TWON_ONEVALUE = 5,
    TWON_DONTCARE16 = 0xffff
};

enum {
    TWTY_UINT16 = 0x4,
    TWTY_BOOL = 0x6
};

enum {
    ICAP_XFERMECH = 0x0103,
    CAP_DEVICEONLINE = 0x100f
};

enum {
    TWSX_NATIVE = 0,
    TWSX_FILE = 1,
    TWSX_MEMORY = 2
};

enum {
    TWPT_BW = 0,
    TWPT_GRAY = 1,
    TWPT_RGB = 2
};

#endif /* OVEX_WIDGETS_TWAIN_TWAIN_TYPES_H */
