/*
 * sane_dsm.c --
 *
 *	A TWAIN 1.x source manager module whose sources are the SANE
 *	devices: libovex_twain.so, loaded by twimg at run time. Every SANE
 *	device is a source (Manufacturer the vendor, ProductFamily the
 *	model, ProductName the device name, Info the type); there is no user
 *	interface, so the default and the user's selection are both the
 *	first device. Enabling a source starts a scan, the next event query
 *	answers MSG_XFERREADY, and the image is handed over whole as a
 *	packed DIB (8-bit grey or 24-bit BGR, rows bottom-up) from malloc,
 *	one image per enable. One source is open at a time.
 */
#include <stdlib.h>
#include <string.h>

#include <sane/sane.h>
#include <sane/saneopts.h>

#include "widgets/twain/twain_types.h"

#define DSM_EXPORT __attribute__((visibility("default")))

typedef struct Source {
    int open;
    SANE_Handle handle;
    TW_IDENTITY identity;
    int enabled;
    int scanning;               /* sane_start succeeded, image not yet read */
    int xferReady;              /* MSG_XFERREADY still to be announced */
    int transferred;            /* this enable's image was handed over */
    int mechanism;              /* TWSX_NATIVE or TWSX_MEMORY */
    SANE_Parameters parameters;
    int haveParameters;
} Source;

static struct {
    int open;                   /* the manager is open */
    int saneReady;
    TW_UINT32 nextId;
    TW_UINT16 condition;        /* condition code of the last failure */
    Source source;
} dsm = {0, 0, 1, TWCC_SUCCESS, {0}};

static TW_UINT16 fail(TW_UINT16 condition)
{
    dsm.condition = condition;
    return TWRC_FAILURE;
}

/* Copies text into a TWAIN string, cut to 33 characters. */
static void copyText(char *out, const char *text)
{
    size_t n = text != NULL ? strlen(text) : 0;
    if (n > sizeof(TW_STR32) - 1) {
        n = sizeof(TW_STR32) - 1;
    }
    if (n > 0) {
        memcpy(out, text, n);
    }
    out[n] = '\0';
}

static void describeDevice(TW_IDENTITY *identity, const SANE_Device *device)
{
    TW_UINT32 id = identity->Id;
    memset(identity, 0, sizeof(*identity));
    identity->Id = id;
    identity->Version.MajorNum = 1;
    identity->Version.Language = 13;
    identity->Version.Country = 1;
    copyText(identity->Version.Info, device->type);
    identity->ProtocolMajor = 1;
    identity->ProtocolMinor = 8;
    identity->SupportedGroups = DG_CONTROL | DG_IMAGE;
    copyText(identity->Manufacturer, device->vendor);
    copyText(identity->ProductFamily, device->model);
    copyText(identity->ProductName, device->name);
}

/* The device list; NULL when there is none. */
static const SANE_Device **deviceList(void)
{
    const SANE_Device **devices = NULL;
    if (sane_get_devices(&devices, SANE_FALSE) != SANE_STATUS_GOOD || devices == NULL
        || devices[0] == NULL) {
        return NULL;
    }
    return devices;
}

static TW_UINT16 firstSource(TW_IDENTITY *identity)
{
    const SANE_Device **devices = deviceList();
    if (devices == NULL) {
        return fail(TWCC_NODS);
    }
    identity->Id = 0;
    describeDevice(identity, devices[0]);
    return TWRC_SUCCESS;
}

static void stopScan(Source *source)
{
    if (source->scanning) {
        sane_cancel(source->handle);
        source->scanning = 0;
    }
}

static void closeSource(void)
{
    Source *source = &dsm.source;
    if (source->open) {
        stopScan(source);
        sane_close(source->handle);
    }
    memset(source, 0, sizeof(*source));
}

static TW_UINT16 openSource(TW_IDENTITY *identity)
{
    if (dsm.source.open) {
        return fail(TWCC_OPERATIONERROR);
    }
    const SANE_Device **devices = deviceList();
    const SANE_Device *chosen = NULL;
    if (identity->ProductName[0] == '\0') {
        chosen = devices != NULL ? devices[0] : NULL;
    } else if (devices != NULL) {
        for (int i = 0; devices[i] != NULL; i++) {
            if (strncmp(devices[i]->name, identity->ProductName, sizeof(TW_STR32) - 1) == 0) {
                chosen = devices[i];
                break;
            }
        }
    }
    if (chosen == NULL) {
        return fail(TWCC_NODS);
    }
    SANE_Handle handle;
    if (sane_open(chosen->name, &handle) != SANE_STATUS_GOOD) {
        return fail(TWCC_OPERATIONERROR);
    }
    Source *source = &dsm.source;
    memset(source, 0, sizeof(*source));
    source->open = 1;
    source->handle = handle;
    source->mechanism = TWSX_NATIVE;
    identity->Id = dsm.nextId++;
    describeDevice(identity, chosen);
    source->identity = *identity;
    return TWRC_SUCCESS;
}

static TW_UINT16 managerCall(TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
    switch (dat) {
    case DAT_PARENT:
        if (msg == MSG_OPENDSM) {
            if (dsm.open) {
                return fail(TWCC_SEQERROR);
            }
            /* SANE starts once per process and stays: its backends keep
             * memory that only a process exit gives back. */
            SANE_Int version;
            if (!dsm.saneReady && sane_init(&version, NULL) != SANE_STATUS_GOOD) {
                return fail(TWCC_BUMMER);
            }
            dsm.saneReady = 1;
            dsm.open = 1;
            return TWRC_SUCCESS;
        }
        if (msg == MSG_CLOSEDSM) {
            if (!dsm.open) {
                return fail(TWCC_SEQERROR);
            }
            closeSource();
            dsm.open = 0;
            return TWRC_SUCCESS;
        }
        break;
    case DAT_IDENTITY:
        if (!dsm.open || data == NULL) {
            return fail(TWCC_SEQERROR);
        }
        switch (msg) {
        case MSG_GETDEFAULT:
        case MSG_USERSELECT:
            return firstSource((TW_IDENTITY *)data);
        case MSG_OPENDS:
            return openSource((TW_IDENTITY *)data);
        case MSG_CLOSEDS:
            if (!dsm.source.open) {
                return fail(TWCC_SEQERROR);
            }
            closeSource();
            return TWRC_SUCCESS;
        default:
            break;
        }
        break;
    default:
        break;
    }
    return fail(TWCC_BADPROTOCOL);
}

static TW_UINT16 readParameters(Source *source)
{
    if (sane_get_parameters(source->handle, &source->parameters) != SANE_STATUS_GOOD) {
        return fail(TWCC_OPERATIONERROR);
    }
    source->haveParameters = 1;
    return TWRC_SUCCESS;
}

/* The scan resolution in dots per inch, 0 when the device has none. */
static int scanResolution(Source *source)
{
    for (SANE_Int i = 1;; i++) {
        const SANE_Option_Descriptor *option = sane_get_option_descriptor(source->handle, i);
        if (option == NULL) {
            return 0;
        }
        if (option->name == NULL || strcmp(option->name, SANE_NAME_SCAN_RESOLUTION) != 0) {
            continue;
        }
        SANE_Word value = 0;
        if (sane_control_option(source->handle, i, SANE_ACTION_GET_VALUE, &value, NULL)
            != SANE_STATUS_GOOD) {
            return 0;
        }
        return option->type == SANE_TYPE_FIXED ? (int)SANE_UNFIX(value) : (int)value;
    }
}

static int colourScan(const SANE_Parameters *p)
{
    return p->format == SANE_FRAME_RGB;
}

static TW_UINT16 imageInfo(Source *source, TW_IMAGEINFO *info)
{
    TW_UINT16 rc = readParameters(source);
    if (rc != TWRC_SUCCESS) {
        return rc;
    }
    const SANE_Parameters *p = &source->parameters;
    memset(info, 0, sizeof(*info));
    int dpi = scanResolution(source);
    info->XResolution.Whole = (TW_INT16)dpi;
    info->YResolution.Whole = (TW_INT16)dpi;
    info->ImageWidth = p->pixels_per_line;
    info->ImageLength = p->lines;
    int colour = colourScan(p);
    info->SamplesPerPixel = colour ? 3 : 1;
    for (int i = 0; i < info->SamplesPerPixel; i++) {
        info->BitsPerSample[i] = 8;
    }
    info->BitsPerPixel = colour ? 24 : 8;
    info->PixelType = colour ? TWPT_RGB : TWPT_GRAY;
    return TWRC_SUCCESS;
}

/* Reads the whole scan; the data and its length, NULL on failure. */
static unsigned char *readScan(Source *source, size_t *length)
{
    size_t capacity = 65536, used = 0;
    unsigned char *data = (unsigned char *)malloc(capacity);
    if (data == NULL) {
        return NULL;
    }
    for (;;) {
        if (capacity - used < 32768) {
            unsigned char *grown = (unsigned char *)realloc(data, capacity * 2);
            if (grown == NULL) {
                free(data);
                return NULL;
            }
            data = grown;
            capacity *= 2;
        }
        SANE_Int got = 0;
        SANE_Status status = sane_read(source->handle, data + used, 32768, &got);
        if (status == SANE_STATUS_EOF) {
            break;
        }
        if (status != SANE_STATUS_GOOD) {
            free(data);
            return NULL;
        }
        used += (size_t)got;
    }
    *length = used;
    return data;
}

/* Sample x of a scan row as 8 bits. */
static unsigned sample8(const unsigned char *row, int depth, int index)
{
    switch (depth) {
    case 1:
        /* Line art: a set bit is black. */
        return (row[index >> 3] & (0x80 >> (index & 7))) ? 0 : 255;
    case 16:
        return ((const uint16_t *)row)[index] >> 8;
    default:
        return row[index];
    }
}

/* The scan as a packed DIB from malloc; NULL on failure. */
static unsigned char *scanToDib(Source *source)
{
    const SANE_Parameters *p = &source->parameters;
    if (p->format != SANE_FRAME_GRAY && p->format != SANE_FRAME_RGB) {
        return NULL;
    }
    if (p->depth != 1 && p->depth != 8 && p->depth != 16) {
        return NULL;
    }
    size_t length = 0;
    unsigned char *scan = readScan(source, &length);
    if (scan == NULL) {
        return NULL;
    }
    int width = p->pixels_per_line;
    int bytesPerLine = p->bytes_per_line;
    int lines = bytesPerLine > 0 ? (int)(length / (size_t)bytesPerLine) : 0;
    if (p->lines > 0 && p->lines < lines) {
        lines = p->lines;
    }
    if (width < 1 || lines < 1) {
        free(scan);
        return NULL;
    }
    int colour = colourScan(p);
    int bitCount = colour ? 24 : 8;
    int colours = colour ? 0 : 256;
    size_t rowLength = (((size_t)width * (size_t)bitCount + 31) / 32) * 4;
    size_t headerSize = 40 + (size_t)colours * 4;
    unsigned char *dib = (unsigned char *)calloc(1, headerSize + rowLength * (size_t)lines);
    if (dib == NULL) {
        free(scan);
        return NULL;
    }
    uint32_t header[10] = {40, (uint32_t)width, (uint32_t)lines, 0, 0,
                           (uint32_t)(rowLength * (size_t)lines), 0, 0, (uint32_t)colours, 0};
    memcpy(dib, header, 40);
    uint16_t planes = 1, bits = (uint16_t)bitCount;
    memcpy(dib + 12, &planes, 2);
    memcpy(dib + 14, &bits, 2);
    for (int i = 0; i < colours; i++) {
        unsigned char *entry = dib + 40 + i * 4;
        entry[0] = entry[1] = entry[2] = (unsigned char)i;
    }
    unsigned char *rows = dib + headerSize;
    for (int y = 0; y < lines; y++) {
        const unsigned char *in = scan + (size_t)y * (size_t)bytesPerLine;
        unsigned char *out = rows + (size_t)(lines - 1 - y) * rowLength;
        if (colour) {
            for (int x = 0; x < width; x++) {
                out[x * 3 + 2] = (unsigned char)sample8(in, p->depth, x * 3);
                out[x * 3 + 1] = (unsigned char)sample8(in, p->depth, x * 3 + 1);
                out[x * 3 + 0] = (unsigned char)sample8(in, p->depth, x * 3 + 2);
            }
        } else {
            for (int x = 0; x < width; x++) {
                out[x] = (unsigned char)sample8(in, p->depth, x);
            }
        }
    }
    free(scan);
    return dib;
}

static TW_UINT16 capability(Source *source, TW_UINT16 msg, TW_CAPABILITY *cap)
{
    if (msg == MSG_GET || msg == MSG_GETCURRENT) {
        TW_ONEVALUE *value = (TW_ONEVALUE *)malloc(sizeof(TW_ONEVALUE));
        if (value == NULL) {
            return fail(TWCC_LOWMEMORY);
        }
        if (cap->Cap == CAP_DEVICEONLINE) {
            value->ItemType = TWTY_BOOL;
            value->Item = 1;
        } else if (cap->Cap == ICAP_XFERMECH) {
            value->ItemType = TWTY_UINT16;
            value->Item = (TW_UINT32)source->mechanism;
        } else {
            free(value);
            return fail(TWCC_BADCAP);
        }
        cap->ConType = TWON_ONEVALUE;
        cap->hContainer = value;
        return TWRC_SUCCESS;
    }
    if (msg == MSG_SET && cap->Cap == ICAP_XFERMECH) {
        const TW_ONEVALUE *value = (const TW_ONEVALUE *)cap->hContainer;
        if (cap->ConType != TWON_ONEVALUE || value == NULL
            || (value->Item != TWSX_NATIVE && value->Item != TWSX_MEMORY)) {
            return fail(TWCC_BADVALUE);
        }
        source->mechanism = (int)value->Item;
        return TWRC_SUCCESS;
    }
    return fail(TWCC_BADCAP);
}

static TW_UINT16 sourceCall(TW_IDENTITY *destination, TW_UINT32 dg, TW_UINT16 dat,
                            TW_UINT16 msg, TW_MEMREF data)
{
    Source *source = &dsm.source;
    if (!source->open || destination->Id != source->identity.Id) {
        return fail(TWCC_BADDEST);
    }
    if (data == NULL) {
        return fail(TWCC_BADVALUE);
    }
    if (dg == DG_CONTROL) {
        switch (dat) {
        case DAT_USERINTERFACE:
            if (msg == MSG_ENABLEDS) {
                stopScan(source);
                if (sane_start(source->handle) != SANE_STATUS_GOOD) {
                    return fail(TWCC_OPERATIONERROR);
                }
                source->scanning = 1;
                source->enabled = 1;
                source->xferReady = 1;
                source->transferred = 0;
                (void)readParameters(source);
                return TWRC_SUCCESS;
            }
            if (msg == MSG_ENABLEDSUIONLY) {
                /* No user interface to show. */
                source->enabled = 1;
                return TWRC_SUCCESS;
            }
            if (msg == MSG_DISABLEDS) {
                stopScan(source);
                source->enabled = 0;
                source->xferReady = 0;
                return TWRC_SUCCESS;
            }
            break;
        case DAT_EVENT:
            if (msg == MSG_PROCESSEVENT) {
                TW_EVENT *event = (TW_EVENT *)data;
                if (source->enabled && source->xferReady) {
                    source->xferReady = 0;
                    event->TWMessage = MSG_XFERREADY;
                    return TWRC_DSEVENT;
                }
                event->TWMessage = MSG_NULL;
                return TWRC_NOTDSEVENT;
            }
            break;
        case DAT_PENDINGXFERS: {
            TW_PENDINGXFERS *pending = (TW_PENDINGXFERS *)data;
            if (msg == MSG_ENDXFER) {
                stopScan(source);
                pending->Count = 0;
                return TWRC_SUCCESS;
            }
            if (msg == MSG_GET) {
                pending->Count = source->enabled && source->scanning && !source->transferred;
                return TWRC_SUCCESS;
            }
            break;
        }
        case DAT_CAPABILITY:
            return capability(source, msg, (TW_CAPABILITY *)data);
        case DAT_SETUPMEMXFER:
            if (msg == MSG_GET) {
                TW_SETUPMEMXFER *setup = (TW_SETUPMEMXFER *)data;
                TW_UINT32 line = source->haveParameters && source->parameters.bytes_per_line > 0
                                     ? (TW_UINT32)source->parameters.bytes_per_line
                                     : 1024;
                setup->MinBufSize = line;
                setup->MaxBufSize = line * 1024;
                setup->Preferred = line * 64;
                return TWRC_SUCCESS;
            }
            break;
        default:
            break;
        }
    } else if (dg == DG_IMAGE && msg == MSG_GET) {
        if (dat == DAT_IMAGEINFO) {
            return imageInfo(source, (TW_IMAGEINFO *)data);
        }
        if (dat == DAT_IMAGENATIVEXFER) {
            if (!source->scanning || source->transferred) {
                return fail(TWCC_SEQERROR);
            }
            if (source->mechanism != TWSX_NATIVE) {
                return fail(TWCC_SEQERROR);
            }
            (void)readParameters(source);
            unsigned char *dib = scanToDib(source);
            source->transferred = 1;
            stopScan(source);
            if (dib == NULL) {
                return fail(TWCC_OPERATIONERROR);
            }
            *(TW_HANDLE *)data = dib;
            return TWRC_XFERDONE;
        }
    }
    return fail(TWCC_BADPROTOCOL);
}

DSM_EXPORT TW_UINT16 DSM_Entry(TW_IDENTITY *origin, TW_IDENTITY *destination, TW_UINT32 dg,
                               TW_UINT16 dat, TW_UINT16 msg, TW_MEMREF data)
{
    if (origin == NULL) {
        return fail(TWCC_BADVALUE);
    }
    if (dg == DG_CONTROL && dat == DAT_STATUS && msg == MSG_GET && data != NULL) {
        TW_STATUS *status = (TW_STATUS *)data;
        status->ConditionCode = dsm.condition;
        status->Reserved = 0;
        dsm.condition = TWCC_SUCCESS;
        return TWRC_SUCCESS;
    }
    if (dg == DG_CONTROL && dat == DAT_PARENT && msg == MSG_OPENDSM && !dsm.open) {
        TW_UINT16 rc = managerCall(dat, msg, data);
        if (rc == TWRC_SUCCESS && origin->Id == 0) {
            origin->Id = dsm.nextId++;
        }
        return rc;
    }
    if (!dsm.open) {
        return fail(TWCC_SEQERROR);
    }
    if (destination == NULL) {
        return dg == DG_CONTROL ? managerCall(dat, msg, data) : fail(TWCC_BADPROTOCOL);
    }
    return sourceCall(destination, dg, dat, msg, data);
}
