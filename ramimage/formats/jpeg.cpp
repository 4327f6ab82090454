/*
 * jpeg.cpp --
 *
 *	JPEG files (imgid 13) through libjpeg: probe, whole-image decoder,
 *	blank-image and image encoders, and the comment markers that carry a
 *	RAM image's georeference and description.
 *
 *	Layout of the parts of a JPEG stream this file looks at (big-endian
 *	16-bit lengths; libjpeg parses everything, this file only checks the
 *	signature itself):
 *
 *	offset  size  field
 *	     0     2  SOI marker FF D8
 *	     2     1  FF, the start of the next marker (APPn, DQT, SOFn, COM...)
 *	     .     .  COM markers (FF FE, length, text) written by this system,
 *	              right after the frame and table markers:
 *	                1. the georeference line "ovex proj:NAME x0:.. y0:..
 *	                   dx:.. dy:.." with its terminating zero;
 *	                2. the image description (imgdes) with its zero.
 *	     .     .  SOFn: precision, height, width, components (1 grey,
 *	              3 RGB as YCbCr; others as the stream says)
 *	     .     .  scans, EOI FF D9
 *
 *	What the head of a JPEG image holds: pixel BYTE, bits 8, nbands the
 *	components, rows x columns the picture, mapid 1 and a unit
 *	georeference unless a comment gives one, encoding 1, and block the
 *	compression quality (90 for a file read here).
 *
 *	Every libjpeg call runs below a return point (setjmp) that the
 *	library's error exit jumps to. The functions that set one keep only
 *	plain C data on their frames, so the jump skips no destructor; the
 *	stdio streams are opened and closed by their callers outside it.
 */
#include "ramimage/formats/jpeg.h"

#include <cerrno>
#include <climits>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/types.h>
#include <unistd.h>

extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

#include "core/gmem.h"
#include "ovex/ovexstdio.h"
#include "ramimage/band_interleave.h"
#include "ramimage/georef_line.h"
#include "ramimage/ramimg.h"
#include "ramimage/whole_image_cap.h"

namespace {

/* Comment bytes kept per COM marker: a georeference line is shorter than
 * GEOREF_LINE_SIZE and a description than 256, so more is never needed. */
const unsigned int COMMENT_KEEP = 512;
const size_t DESCRIPTION_KEEP = RAMIMG_NAME_SIZE - 1;

/* ---- Error manager -------------------------------------------------------- */

struct JpegErrorManager {
    struct jpeg_error_mgr pub;
    jmp_buf returnPoint;
    int failedErrno;                /* errno of the call that failed (a write), kept
                                       past the message and the clean-up */
};

/* The library's messages go to the console's standard error. Warnings
 * keep the standard handling: the first one is shown and decoding goes on,
 * so a stream that ends early gives the rows it holds and grey for the
 * rest ("Premature end of JPEG file"), as djpeg shows it. */
void jpegOutputMessage(j_common_ptr cinfo)
{
    char text[JMSG_LENGTH_MAX];
    (*cinfo->err->format_message)(cinfo, text);
    ovex_fprintf(stderr, "%s\n", text);
}

/*
 * jpegErrorExit --
 *	The library's fatal-error routine: its message first, then back to
 *	the return point of the call in progress, which cleans up and fails.
 */
void jpegErrorExit(j_common_ptr cinfo)
{
    ((JpegErrorManager *)cinfo->err)->failedErrno = errno;
    (*cinfo->err->output_message)(cinfo);
    longjmp(((JpegErrorManager *)cinfo->err)->returnPoint, 1);
}

/*
 * jpegLimitScans --
 *	Progress hook of the decoder: refuses a stream with more scans than
 *	JPEG_MAX_SCANS, each of which would pass over the whole image.
 */
void jpegLimitScans(j_common_ptr cinfo)
{
    if (cinfo->is_decompressor
        && ((j_decompress_ptr)cinfo)->input_scan_number > JPEG_MAX_SCANS) {
        ovex_fprintf(stderr, "JPEG stream has more than %d scans\n", JPEG_MAX_SCANS);
        longjmp(((JpegErrorManager *)cinfo->err)->returnPoint, 1);
    }
}

struct jpeg_error_mgr *setupErrors(JpegErrorManager *manager)
{
    manager->failedErrno = 0;
    struct jpeg_error_mgr *err = jpeg_std_error(&manager->pub);
    err->error_exit = jpegErrorExit;
    err->output_message = jpegOutputMessage;
    return err;
}

/*
 * applyMemoryLimit --
 *	libjpeg's memory limit from env(JPEGMEM) of the console interpreter,
 *	in thousands of bytes ("M" suffix: millions); none when unset.
 *	Beyond it a progressive image, which needs backing store, fails.
 */
void applyMemoryLimit(j_common_ptr cinfo)
{
    const char *text = ovex_getenv("JPEGMEM");
    long limit = 0;
    long value = 0;
    char unit = 'x';
    if (text != NULL && sscanf(text, "%ld%c", &value, &unit) > 0 && value > 0) {
        long scale = (unit == 'm' || unit == 'M') ? 1000000L : 1000L;
        limit = (value > LONG_MAX / scale) ? LONG_MAX : value * scale;
    }
    cinfo->mem->max_memory_to_use = limit;
}

/* ---- Streams on the caller's descriptor ------------------------------------ */

/*
 * openDuplicate --
 *	A stdio stream on a duplicate of fd positioned at byte 0 (which moves
 *	fd's shared position too); truncate empties the file first. NULL when
 *	the descriptor cannot be duplicated or opened in that mode.
 */
FILE *openDuplicate(int fd, const char *mode, bool truncate)
{
    int copy = fcntl(fd, F_DUPFD_CLOEXEC, 0);
    if (copy < 0) {
        return NULL;
    }
    if (truncate && ftruncate(copy, 0) != 0) {
        close(copy);
        return NULL;
    }
    FILE *stream = fdopen(copy, mode);
    if (stream == NULL) {
        close(copy);
        return NULL;
    }
    if (fseeko(stream, 0, SEEK_SET) != 0) {
        fclose(stream);
        return NULL;
    }
    return stream;
}

/* Reads the signature at byte 0 of fd without moving its position. */
bool fileHasSignature(int fd)
{
    unsigned char start[3];
    ssize_t got;
    do {
        got = pread(fd, start, sizeof(start), 0);
    } while (got < 0 && errno == EINTR);
    return got == (ssize_t)sizeof(start) && isJpegSignature(start);
}

void attachSource(j_decompress_ptr cinfo, FILE *stream, const unsigned char *block, size_t length)
{
    if (block != NULL) {
        jpeg_mem_src(cinfo, block, (unsigned long)length);
    } else {
        jpeg_stdio_src(cinfo, stream);
    }
}

/* ---- Probe ------------------------------------------------------------------ */

/*
 * probeStream --
 *	Reads the header and the comment markers into found. 1 recognised,
 *	0 after a library error, -1 for an image above the whole-image cap.
 */
int probeStream(FILE *stream, const unsigned char *block, size_t length, ImageHead *found)
{
    struct jpeg_decompress_struct cinfo;
    JpegErrorManager manager;
    memset(&cinfo, 0, sizeof(cinfo));
    cinfo.err = setupErrors(&manager);
    if (setjmp(manager.returnPoint)) {
        jpeg_destroy_decompress(&cinfo);
        return 0;
    }
    jpeg_create_decompress(&cinfo);
    applyMemoryLimit((j_common_ptr)&cinfo);
    jpeg_save_markers(&cinfo, JPEG_COM, COMMENT_KEEP);
    attachSource(&cinfo, stream, block, length);
    jpeg_read_header(&cinfo, TRUE);

    int64_t columns = cinfo.image_width;
    int64_t rows = cinfo.image_height;
    int64_t bands = cinfo.num_components;
    int64_t cap = ovexWholeImageCap();
    if (columns < 1 || rows < 1 || bands < 1 || columns * rows * bands > cap) {
        ovex_fprintf(stderr,
                     "JPEG image of %lld x %lld pixels and %lld components is above the "
                     "decoding limit of %lld bytes (OVEX_MAX_DECODE)\n",
                     (long long)columns, (long long)rows, (long long)bands, (long long)cap);
        jpeg_destroy_decompress(&cinfo);
        return -1;
    }

    found->imgid = IMGID_JPEG;
    found->pixel = PIXEL_BYTE;
    found->bits = 8;
    found->nbands = (int32_t)bands;
    found->rows = (int32_t)rows;
    found->columns = (int32_t)columns;
    found->offset = 0;
    found->top = 0;
    found->left = 0;
    found->mapid = 1;
    found->nindices = 0;
    found->transparent = -1;
    found->x0 = 0.0;
    found->y0 = 0.0;
    found->dx = 1.0;
    found->dy = 1.0;
    found->msbf = msbFirst();
    found->encoding = 1;
    found->frames = 1;
    found->block = JPEG_DEFAULT_QUALITY;
    readJpegComments(&cinfo, found);

    jpeg_abort_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return 1;
}

/* ---- Decoder ----------------------------------------------------------------- */

/*
 * splitScanline --
 *	Spreads one decoded scanline of n pixels of `bands` interleaved
 *	components over the rows of its bands (band b at out + b x rowBytes).
 */
void splitScanline(const JSAMPLE *line, int n, int bands, unsigned char *out, int rowBytes)
{
    if (bands == 3) {
        unsigned char *const rows[3] = {out, out + rowBytes, out + 2 * (size_t)rowBytes};
        splitBands(1, 3, line, rows, n);
        return;
    }
    for (int b = 0; b < bands; b++) {
        unsigned char *row = out + (size_t)b * (size_t)rowBytes;
        const JSAMPLE *from = line + b;
        for (int i = 0; i < n; i++) {
            row[i] = from[(size_t)i * bands];
        }
    }
}

int decodeStream(FILE *stream, const unsigned char *block, size_t length, unsigned char *buffer,
                 int rowBytes, int rows, int bands, int *decoded)
{
    *decoded = 0;
    struct jpeg_decompress_struct cinfo;
    struct jpeg_progress_mgr progress;
    JpegErrorManager manager;
    memset(&cinfo, 0, sizeof(cinfo));
    cinfo.err = setupErrors(&manager);
    if (setjmp(manager.returnPoint)) {
        jpeg_destroy_decompress(&cinfo);
        return 0;
    }
    jpeg_create_decompress(&cinfo);
    applyMemoryLimit((j_common_ptr)&cinfo);
    memset(&progress, 0, sizeof(progress));
    progress.progress_monitor = jpegLimitScans;
    cinfo.progress = &progress;
    attachSource(&cinfo, stream, block, length);
    jpeg_read_header(&cinfo, TRUE);
    jpeg_calc_output_dimensions(&cinfo);

    /* The buffer was sized from the head; a file changed since, or a head
     * that describes another picture, must not write past it. */
    if (cinfo.output_components != bands || (int64_t)cinfo.output_width > (int64_t)rowBytes
        || (int64_t)cinfo.output_height > (int64_t)rows) {
        ovex_fprintf(stderr,
                     "JPEG image of %u x %u pixels and %d components does not fit %d x %d x %d\n",
                     (unsigned)cinfo.output_width, (unsigned)cinfo.output_height,
                     cinfo.output_components, rowBytes, rows, bands);
        jpeg_destroy_decompress(&cinfo);
        return 0;
    }
    jpeg_start_decompress(&cinfo);

    int width = (int)cinfo.output_width;
    size_t bandGroup = (size_t)bands * (size_t)rowBytes;
    if (bands == 1) {
        while (cinfo.output_scanline < cinfo.output_height) {
            JSAMPROW row = buffer + (size_t)cinfo.output_scanline * (size_t)rowBytes;
            if (jpeg_read_scanlines(&cinfo, &row, 1) != 1) {
                break;
            }
            *decoded = (int)cinfo.output_scanline;
        }
    } else {
        JSAMPARRAY line = (*cinfo.mem->alloc_sarray)((j_common_ptr)&cinfo, JPOOL_IMAGE,
                                                     (JDIMENSION)width * (JDIMENSION)bands, 1);
        while (cinfo.output_scanline < cinfo.output_height) {
            size_t r = cinfo.output_scanline;
            if (jpeg_read_scanlines(&cinfo, line, 1) != 1) {
                break;
            }
            splitScanline(line[0], width, bands, buffer + r * bandGroup, rowBytes);
            *decoded = (int)cinfo.output_scanline;
        }
    }
    if (cinfo.output_scanline < cinfo.output_height) {
        jpeg_destroy_decompress(&cinfo);    /* a source that cannot go on */
        return 0;
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return 1;
}

/* ---- Row stream ----------------------------------------------------------------- */

/* A libjpeg source reading the file with pread from its own offset, so that
 * the descriptor's shared position is never used between calls. */
struct PreadSource {
    struct jpeg_source_mgr pub;
    int fd;
    int64_t offset;
    JOCTET buffer[65536];
};

void preadInit(j_decompress_ptr) {}
void preadTerm(j_decompress_ptr) {}

boolean preadFill(j_decompress_ptr cinfo)
{
    PreadSource *source = (PreadSource *)cinfo->src;
    ssize_t got;
    do {
        got = pread(source->fd, source->buffer, sizeof(source->buffer), (off_t)source->offset);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) {
        /* The end of the file before the end of the picture: a fake EOI
         * after the warning, as the library's own sources do. */
        WARNMS(cinfo, JWRN_JPEG_EOF);
        source->buffer[0] = (JOCTET)0xFF;
        source->buffer[1] = (JOCTET)JPEG_EOI;
        got = 2;
    } else {
        source->offset += got;
    }
    source->pub.next_input_byte = source->buffer;
    source->pub.bytes_in_buffer = (size_t)got;
    return TRUE;
}

void preadSkip(j_decompress_ptr cinfo, long count)
{
    PreadSource *source = (PreadSource *)cinfo->src;
    if (count <= 0) {
        return;
    }
    if ((size_t)count <= source->pub.bytes_in_buffer) {
        source->pub.next_input_byte += count;
        source->pub.bytes_in_buffer -= (size_t)count;
        return;
    }
    source->offset += count - (long)source->pub.bytes_in_buffer;
    source->pub.bytes_in_buffer = 0;
}

} // namespace

struct JpegRowStream {
    struct jpeg_decompress_struct cinfo;
    struct jpeg_progress_mgr progress;
    JpegErrorManager manager;
    PreadSource source;
    JSAMPARRAY line;
    int started;
    int failed;                     /* a library error stopped the decoder */
    int stoppedAt;                  /* the row it stopped at (0: it never started) */
    int rowBytes, bands;
};

namespace {

void destroyStream(JpegRowStream *stream)
{
    if (stream->started) {
        jpeg_destroy_decompress(&stream->cinfo);
    }
    gmemFree(stream);
}

/* Ends the decoder of a stream that cannot start: the stream stays, failed
 * at row 0, so that its caller does not decode the file again per row. */
JpegRowStream *failedStream(JpegRowStream *stream)
{
    if (stream->started) {
        jpeg_destroy_decompress(&stream->cinfo);
        stream->started = 0;
    }
    stream->failed = 1;
    stream->stoppedAt = 0;
    return stream;
}

} // namespace

/*
 *----------------------------------------------------------------------
 *
 * openJpegRowStream --
 *
 *	Starts decoding the JPEG file on fd row by row; see jpeg.h.
 *
 *----------------------------------------------------------------------
 */
JpegRowStream *openJpegRowStream(int fd, int rowBytes, int rows, int bands, int *progressive)
{
    *progressive = 0;
    if (fd < 0 || rowBytes < 1 || rows < 1 || bands < 1) {
        return NULL;
    }
    /* volatile: the error exit jumps back into this frame. */
    JpegRowStream *volatile stream = (JpegRowStream *)gmemAlloc(sizeof(JpegRowStream));
    if (stream == NULL) {
        return NULL;
    }
    memset((void *)stream, 0, sizeof(JpegRowStream));
    stream->rowBytes = rowBytes;
    stream->bands = bands;
    stream->cinfo.err = setupErrors(&stream->manager);
    if (setjmp(stream->manager.returnPoint)) {
        return failedStream(stream);
    }
    jpeg_create_decompress(&stream->cinfo);
    stream->started = 1;
    applyMemoryLimit((j_common_ptr)&stream->cinfo);
    stream->progress.progress_monitor = jpegLimitScans;
    stream->cinfo.progress = &stream->progress;
    stream->source.fd = fd;
    stream->source.pub.init_source = preadInit;
    stream->source.pub.fill_input_buffer = preadFill;
    stream->source.pub.skip_input_data = preadSkip;
    stream->source.pub.resync_to_restart = jpeg_resync_to_restart;
    stream->source.pub.term_source = preadTerm;
    stream->cinfo.src = &stream->source.pub;
    jpeg_read_header(&stream->cinfo, TRUE);
    if (stream->cinfo.progressive_mode || stream->cinfo.buffered_image) {
        *progressive = 1;               /* every scan before the first row */
        destroyStream(stream);
        return NULL;
    }
    jpeg_calc_output_dimensions(&stream->cinfo);
    if (stream->cinfo.output_components != bands
        || (int64_t)stream->cinfo.output_width > (int64_t)rowBytes
        || (int64_t)stream->cinfo.output_height > (int64_t)rows) {
        ovex_fprintf(stderr,
                     "JPEG image of %u x %u pixels and %d components does not fit %d x %d x %d\n",
                     (unsigned)stream->cinfo.output_width, (unsigned)stream->cinfo.output_height,
                     stream->cinfo.output_components, rowBytes, rows, bands);
        return failedStream(stream);
    }
    jpeg_start_decompress(&stream->cinfo);
    stream->line = (*stream->cinfo.mem->alloc_sarray)(
        (j_common_ptr)&stream->cinfo, JPOOL_IMAGE,
        (JDIMENSION)stream->cinfo.output_width * (JDIMENSION)bands, 1);
    return stream;
}

/*
 *----------------------------------------------------------------------
 *
 * jpegRowStreamNext --
 *
 *	Decodes the next row into its bands; see jpeg.h.
 *
 *----------------------------------------------------------------------
 */
int jpegRowStreamNext(JpegRowStream *stream, unsigned char *const *bandRows)
{
    if (stream == NULL || stream->failed
        || stream->cinfo.output_scanline >= stream->cinfo.output_height) {
        return -1;
    }
    if (setjmp(stream->manager.returnPoint)) {
        stream->failed = 1;
        stream->stoppedAt = (int)stream->cinfo.output_scanline;
        return -1;
    }
    int row = (int)stream->cinfo.output_scanline;
    int width = (int)stream->cinfo.output_width;
    if (stream->bands == 1) {
        JSAMPROW target = bandRows[0];
        if (jpeg_read_scanlines(&stream->cinfo, &target, 1) != 1) {
            stream->failed = 1;
            stream->stoppedAt = row;
            return -1;
        }
        return row;
    }
    if (jpeg_read_scanlines(&stream->cinfo, stream->line, 1) != 1) {
        stream->failed = 1;
        stream->stoppedAt = row;
        return -1;
    }
    const JSAMPLE *line = stream->line[0];
    if (stream->bands == 3) {
        splitBands(1, 3, line, bandRows, width);
        return row;
    }
    for (int b = 0; b < stream->bands; b++) {
        for (int i = 0; i < width; i++) {
            bandRows[b][i] = line[(size_t)i * stream->bands + b];
        }
    }
    return row;
}

int jpegRowStreamPosition(const JpegRowStream *stream)
{
    if (stream == NULL) {
        return 0;
    }
    return stream->failed ? stream->stoppedAt : (int)stream->cinfo.output_scanline;
}

int jpegRowStreamFailed(const JpegRowStream *stream)
{
    return stream != NULL && stream->failed;
}

void closeJpegRowStream(JpegRowStream *stream)
{
    if (stream != NULL) {
        destroyStream(stream);
    }
}

namespace {

/* ---- Encoders ----------------------------------------------------------------- */

/*
 * startCompressor --
 *	The settings every encoder of this file uses, then the start of
 *	compression and the comment markers: the output of two encoders fed
 *	the same rows is the same byte for byte. Below the caller's return
 *	point.
 */
void startCompressor(j_compress_ptr cinfo, FILE *stream, const ImageHead *head, int components,
                     int quality)
{
    jpeg_create_compress(cinfo);
    applyMemoryLimit((j_common_ptr)cinfo);
    jpeg_stdio_dest(cinfo, stream);
    /* Negative sizes become huge ones, which the library refuses. */
    cinfo->image_width = (JDIMENSION)head->columns;
    cinfo->image_height = (JDIMENSION)head->rows;
    cinfo->input_components = components;
    cinfo->in_color_space = (components == 3) ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(cinfo);
    jpeg_set_quality(cinfo, quality, TRUE);
    jpeg_start_compress(cinfo, TRUE);
    writeJpegComments(cinfo, head);
}

/* The scanline of one row: the three bands interleaved into line, or the
 * first band as it is. */
JSAMPROW scanlineOf(const unsigned char *const *bandRows, int components, JSAMPROW line,
                    size_t width)
{
    if (components == 3) {
        joinBands(1, 3, bandRows, line, (int)width);
        return line;
    }
    return (JSAMPROW)bandRows[0];
}

/*
 * encodeStream --
 *	Compresses head's picture with `components` (1 grey, 3 RGB) at
 *	quality into stream: from rows (band-interleaved by line, nbands
 *	bands of rowBytes bytes per row), or all zero when rows is NULL.
 *	1, or 0 after a library error.
 */
int encodeStream(FILE *stream, const ImageHead *head, int components, int quality,
                 const unsigned char *rows, int rowBytes)
{
    struct jpeg_compress_struct cinfo;
    JpegErrorManager manager;
    memset(&cinfo, 0, sizeof(cinfo));
    cinfo.err = setupErrors(&manager);
    if (setjmp(manager.returnPoint)) {
        jpeg_destroy_compress(&cinfo);
        errno = manager.failedErrno;
        return 0;
    }
    startCompressor(&cinfo, stream, head, components, quality);

    size_t width = cinfo.image_width;
    JSAMPARRAY line = (*cinfo.mem->alloc_sarray)((j_common_ptr)&cinfo, JPOOL_IMAGE,
                                                 (JDIMENSION)(width * (size_t)components), 1);
    memset(line[0], 0, width * (size_t)components);
    size_t bandGroup = (size_t)(head->nbands > 0 ? head->nbands : 1) * (size_t)rowBytes;
    while (cinfo.next_scanline < cinfo.image_height) {
        JSAMPROW row = line[0];
        if (rows != NULL) {
            const unsigned char *group = rows + (size_t)cinfo.next_scanline * bandGroup;
            const unsigned char *bands[3] = {group, group + rowBytes, group + 2 * (size_t)rowBytes};
            row = scanlineOf(bands, components, line[0], width);
        }
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return 1;
}

/* ---- Blank pictures ------------------------------------------------------------ */

/*
 * Every block of a blank picture is the same: its quantised coefficients
 * are taken once from a 16 x 16 blank encoded and read back by the
 * library, and the whole picture is then written from them as a
 * transcoder writes coefficients. The colour conversion, downsampling and
 * DCT of every block are skipped; the bytes are those of encodeStream.
 */

/* Encodes a 16 x 16 all-zero picture into memory (*data from malloc). */
bool encodeSmallBlank(int components, int quality, unsigned char **data, unsigned long *size)
{
    struct jpeg_compress_struct cinfo;
    JpegErrorManager manager;
    memset(&cinfo, 0, sizeof(cinfo));
    cinfo.err = setupErrors(&manager);
    if (setjmp(manager.returnPoint)) {
        jpeg_destroy_compress(&cinfo);
        return false;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, data, size);
    cinfo.image_width = 16;
    cinfo.image_height = 16;
    cinfo.input_components = components;
    cinfo.in_color_space = (components == 3) ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    JSAMPLE zero[16 * 3];
    memset(zero, 0, sizeof(zero));
    JSAMPROW row = zero;
    while (cinfo.next_scanline < cinfo.image_height) {
        jpeg_write_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return true;
}

/* The first block of each of `components` components of an encoded picture. */
bool readFirstBlocks(const unsigned char *data, unsigned long size, int components,
                     JBLOCK *blocks)
{
    struct jpeg_decompress_struct cinfo;
    JpegErrorManager manager;
    memset(&cinfo, 0, sizeof(cinfo));
    cinfo.err = setupErrors(&manager);
    if (setjmp(manager.returnPoint)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, size);
    jpeg_read_header(&cinfo, TRUE);
    jvirt_barray_ptr *arrays = jpeg_read_coefficients(&cinfo);
    if (arrays == NULL || cinfo.num_components != components) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    for (int ci = 0; ci < components; ci++) {
        JBLOCKARRAY first =
            (*cinfo.mem->access_virt_barray)((j_common_ptr)&cinfo, arrays[ci], 0, 1, FALSE);
        memcpy(blocks[ci], first[0][0], sizeof(JBLOCK));
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return true;
}

bool blankBlocks(int components, int quality, JBLOCK *blocks)
{
    unsigned char *data = NULL;
    unsigned long size = 0;
    bool ok = encodeSmallBlank(components, quality, &data, &size)
        && readFirstBlocks(data, size, components, blocks);
    free(data);
    return ok;
}

/* Rows of blocks of the largest vertical sampling factor the defaults use. */
const int BLANK_BLOCK_ROWS = 2;

/* A compressor whose coefficient arrays are rows of the blank block: the
 * array pointers handed to the library point at `rows`, and every access
 * answers those rows. cinfo comes first, so the library's pointer to it is
 * the record's. */
struct BlankCompressor {
    struct jpeg_compress_struct cinfo;
    JBLOCKARRAY rows[3];
};

JBLOCKARRAY blankRowsOf(j_common_ptr, jvirt_barray_ptr array, JDIMENSION, JDIMENSION, boolean)
{
    return *(JBLOCKARRAY *)array;
}

/*
 * encodeBlankStream --
 *	encodeStream of an all-zero picture, from its blocks. 1, 0 after a
 *	library error, -1 when the blocks could not be had (nothing written).
 */
int encodeBlankStream(FILE *stream, const ImageHead *head, int components, int quality)
{
    JBLOCK blocks[3];
    if (components > 3 || !blankBlocks(components, quality, blocks)) {
        return -1;
    }
    struct BlankCompressor blank;
    JpegErrorManager manager;
    memset(&blank, 0, sizeof(blank));
    blank.cinfo.err = setupErrors(&manager);
    if (setjmp(manager.returnPoint)) {
        jpeg_destroy_compress(&blank.cinfo);
        errno = manager.failedErrno;
        return 0;
    }
    jpeg_create_compress(&blank.cinfo);
    applyMemoryLimit((j_common_ptr)&blank.cinfo);
    jpeg_stdio_dest(&blank.cinfo, stream);
    blank.cinfo.image_width = (JDIMENSION)head->columns;
    blank.cinfo.image_height = (JDIMENSION)head->rows;
    blank.cinfo.input_components = components;
    blank.cinfo.in_color_space = (components == 3) ? JCS_RGB : JCS_GRAYSCALE;
    jpeg_set_defaults(&blank.cinfo);
    jpeg_set_quality(&blank.cinfo, quality, TRUE);

    /* Enough blocks for the widest component, plus its last partial MCU. */
    JDIMENSION perRow = (JDIMENSION)(((size_t)head->columns + 7) / 8 + 2);
    jvirt_barray_ptr arrays[3];
    for (int ci = 0; ci < components; ci++) {
        blank.rows[ci] = (*blank.cinfo.mem->alloc_barray)((j_common_ptr)&blank.cinfo, JPOOL_IMAGE,
                                                          perRow, BLANK_BLOCK_ROWS);
        for (int r = 0; r < BLANK_BLOCK_ROWS; r++) {
            for (JDIMENSION k = 0; k < perRow; k++) {
                memcpy(blank.rows[ci][r][k], blocks[ci], sizeof(JBLOCK));
            }
        }
        arrays[ci] = (jvirt_barray_ptr)&blank.rows[ci];
    }
    blank.cinfo.mem->access_virt_barray = blankRowsOf;
    jpeg_write_coefficients(&blank.cinfo, arrays);
    for (int ci = 0; ci < components; ci++) {
        if (blank.cinfo.comp_info[ci].v_samp_factor > BLANK_BLOCK_ROWS
            || blank.cinfo.comp_info[ci].width_in_blocks + 2 > perRow) {
            ERREXIT(&blank.cinfo, JERR_BAD_SAMPLING);
        }
    }
    writeJpegComments(&blank.cinfo, head);
    jpeg_finish_compress(&blank.cinfo);
    jpeg_destroy_compress(&blank.cinfo);
    return 1;
}

/* Closes a written stream; false when its last bytes could not be
 * written, with errno of the call that failed. */
bool closeWritten(FILE *stream)
{
    bool ok = fflush(stream) == 0 && !ferror(stream);
    int saved = errno;
    bool closed = fclose(stream) == 0;
    if (!ok) {
        errno = saved;
    }
    return closed && ok;
}

/* Closes a stream an encoder wrote: the encoder's result, which is 0 when
 * the close fails; errno is that of the first failure. */
int closeEncoded(FILE *stream, int encoded)
{
    int saved = errno;
    if (!closeWritten(stream)) {
        if (!encoded) {
            errno = saved;
        }
        return 0;
    }
    errno = saved;
    return encoded;
}

} // namespace

int isJpegSignature(const unsigned char *bytes)
{
    return bytes != NULL && bytes[0] == 0xFF && bytes[1] == 0xD8 && bytes[2] == 0xFF;
}

/*
 *----------------------------------------------------------------------
 *
 * probeJpeg --
 *
 *	Recognises a JPEG file (block NULL) or memory block (fd -1) and reads
 *	its header and comment markers.
 *
 * Results:
 *	1 (imgid 13); 0 without the signature or after a library error; -1
 *	for a file (not a block) whose decoded size is above the whole-image
 *	cap, so that the open fails with "unhandled" rather than "unknown".
 *	A block above the cap answers 0.
 *
 * Side effects:
 *	Fills head only when recognised. fd's position is put back.
 *
 *----------------------------------------------------------------------
 */
int probeJpeg(int fd, ImageHead *head, const unsigned char *block, size_t length)
{
    if (head == NULL) {
        return 0;
    }
    FILE *stream = NULL;
    off_t position = -1;
    if (block == NULL) {
        if (fd < 0 || !fileHasSignature(fd)) {
            return 0;
        }
        position = lseek(fd, 0, SEEK_CUR);
        stream = openDuplicate(fd, "rb", false);
        if (stream == NULL) {
            return 0;
        }
    } else if (length < 3 || !isJpegSignature(block)) {
        return 0;
    }

    ImageHead found = *head;
    int result = probeStream(stream, block, length, &found);
    if (stream != NULL) {
        fclose(stream);
        if (position >= 0) {
            lseek(fd, position, SEEK_SET);
        }
    }
    if (result == 1) {
        *head = found;
    }
    if (result < 0 && block != NULL) {
        result = 0;
    }
    return result;
}

/*
 *----------------------------------------------------------------------
 *
 * readJpegFile --
 *
 *	Decodes a whole JPEG into band rows; see jpeg.h.
 *
 *----------------------------------------------------------------------
 */
int readJpegFile(int fd, unsigned char *buffer, int rowBytes, int rows, int bands,
                 const unsigned char *block, size_t length)
{
    int decoded;
    return readJpegRows(fd, buffer, rowBytes, rows, bands, block, length, &decoded);
}

/*
 * readJpegRows --
 *	readJpegFile that also tells how many rows were decoded.
 */
int readJpegRows(int fd, unsigned char *buffer, int rowBytes, int rows, int bands,
                 const unsigned char *block, size_t length, int *decoded)
{
    *decoded = 0;
    if (buffer == NULL || rowBytes < 1 || rows < 1 || bands < 1) {
        return 0;
    }
    FILE *stream = NULL;
    off_t position = -1;
    if (block == NULL) {
        if (fd < 0 || !fileHasSignature(fd)) {
            ovex_fprintf(stderr, "not a jpeg file...\n");
            return 0;
        }
        position = lseek(fd, 0, SEEK_CUR);
        stream = openDuplicate(fd, "rb", false);
        if (stream == NULL) {
            return 0;
        }
    } else if (length < 3 || !isJpegSignature(block)) {
        ovex_fprintf(stderr, "not a jpeg file...\n");
        return 0;
    }

    int result = decodeStream(stream, block, length, buffer, rowBytes, rows, bands, decoded);
    if (stream != NULL) {
        fclose(stream);
        if (position >= 0) {
            lseek(fd, position, SEEK_SET);
        }
    }
    return result;
}

/*
 *----------------------------------------------------------------------
 *
 * writeJpegBlank --
 *
 *	Writes a whole JPEG file of an all-zero image of head's size into fd
 *	(truncated first), with the comment markers; quality 90.
 *
 * Results:
 *	0, or -1 when the stream cannot be opened or after a library error.
 *
 * Side effects:
 *	head's nbands becomes 1 when below 2, else 3; nindices 0.
 *
 *----------------------------------------------------------------------
 */
int writeJpegBlank(int fd, ImageHead *head)
{
    if (head == NULL || fd < 0) {
        return -1;
    }
    head->nbands = (head->nbands < 2) ? 1 : 3;
    head->nindices = 0;
    FILE *stream = openDuplicate(fd, "w+b", true);
    if (stream == NULL) {
        return -1;
    }
    int ok = 0;
    if (head->columns > 0 && head->rows > 0) {
        ok = encodeBlankStream(stream, head, head->nbands, JPEG_DEFAULT_QUALITY);
    }
    if (ok < 0 || head->columns <= 0 || head->rows <= 0) {
        /* Blocks not to be had, or a size the library refuses: the plain
         * encoder gives its own answer. */
        ok = encodeStream(stream, head, head->nbands, JPEG_DEFAULT_QUALITY, NULL, 0);
    }
    return closeEncoded(stream, ok) ? 0 : -1;
}

/*
 *----------------------------------------------------------------------
 *
 * writeJpegImage --
 *
 *	Encodes band-interleaved-by-line rows into fd; see jpeg.h.
 *
 *----------------------------------------------------------------------
 */
int writeJpegImage(int fd, const ImageHead *head, const unsigned char *rows, int rowBytes)
{
    if (head == NULL || rows == NULL || fd < 0) {
        return 0;
    }
    if (head->nbands < 1 || head->columns < 1 || rowBytes < head->columns) {
        ovex_fprintf(stderr, "JPEG rows of %d bytes cannot hold %d columns of %d bands\n",
                     rowBytes, head->columns, head->nbands);
        return 0;
    }
    int quality = head->block;
    if (quality < 0) {
        quality = JPEG_DEFAULT_QUALITY;
    } else if (quality > 100) {
        quality = 100;
    }
    /* JPEG has grey and RGB here: another band count keeps its first band,
     * so no more bands are interleaved than the stream has components. */
    int components = (head->nbands == 3) ? 3 : 1;
    FILE *stream = openDuplicate(fd, "w+b", true);
    if (stream == NULL) {
        return 0;
    }
    return closeEncoded(stream, encodeStream(stream, head, components, quality, rows, rowBytes));
}

/*
 * writeJpegComments --
 *	The georeference line and the description, each a COM marker with
 *	its terminating zero.
 */
void writeJpegComments(struct jpeg_compress_struct *cinfo, const ImageHead *head)
{
    char line[GEOREF_LINE_SIZE];
    int length = formatGeorefLine(head, line);
    jpeg_write_marker(cinfo, JPEG_COM, (const JOCTET *)line, (unsigned int)length);

    char description[RAMIMG_NAME_SIZE];
    size_t kept = strnlen(head->imgdes, DESCRIPTION_KEEP);
    memcpy(description, head->imgdes, kept);
    description[kept] = '\0';
    jpeg_write_marker(cinfo, JPEG_COM, (const JOCTET *)description, (unsigned int)kept + 1);
}

/*
 * readJpegComments --
 *	The first saved COM marker that is a georeference line gives the
 *	georeference, the COM marker after it the description; later markers
 *	are not looked at.
 */
void readJpegComments(struct jpeg_decompress_struct *cinfo, ImageHead *head)
{
    for (jpeg_saved_marker_ptr marker = cinfo->marker_list; marker != NULL;
         marker = marker->next) {
        if (marker->marker != JPEG_COM
            || !parseGeorefBytes(head, marker->data, marker->data_length)) {
            continue;
        }
        jpeg_saved_marker_ptr next = marker->next;
        while (next != NULL && next->marker != JPEG_COM) {
            next = next->next;
        }
        if (next != NULL) {
            size_t kept = next->data_length < DESCRIPTION_KEEP ? next->data_length
                                                                : DESCRIPTION_KEEP;
            memset(head->imgdes, 0, sizeof(head->imgdes));
            memcpy(head->imgdes, next->data, kept);
        }
        return;
    }
}

/* ---- Row sink ------------------------------------------------------------------ */

struct JpegRowSink {
    struct jpeg_compress_struct cinfo;
    JpegErrorManager manager;
    FILE *stream;
    JSAMPARRAY line;
    int components;
    int started;
    int failed;                     /* a library error stopped the encoder */
};

namespace {

/* Ends the compressor and the stream; false when the file did not get
 * every byte. */
bool closeSink(JpegRowSink *sink)
{
    if (sink->started) {
        jpeg_destroy_compress(&sink->cinfo);
    }
    int saved = sink->manager.failedErrno != 0 ? sink->manager.failedErrno : errno;
    bool ok = sink->stream == NULL || closeWritten(sink->stream);
    if (sink->failed || ok) {
        errno = saved;
    }
    gmemFree(sink);
    return ok;
}

} // namespace

/*
 *----------------------------------------------------------------------
 *
 * openJpegRowSink --
 *
 *	Starts encoding head's picture into fd row by row; see jpeg.h.
 *
 *----------------------------------------------------------------------
 */
JpegRowSink *openJpegRowSink(int fd, const ImageHead *head)
{
    if (head == NULL || fd < 0 || head->nbands < 1 || head->columns < 1 || head->rows < 1) {
        return NULL;
    }
    int quality = head->block;
    if (quality < 0) {
        quality = JPEG_DEFAULT_QUALITY;
    } else if (quality > 100) {
        quality = 100;
    }
    /* volatile: the error exit jumps back into this frame. */
    JpegRowSink *volatile sink = (JpegRowSink *)gmemAlloc(sizeof(JpegRowSink));
    if (sink == NULL) {
        return NULL;
    }
    memset((void *)sink, 0, sizeof(JpegRowSink));
    sink->components = (head->nbands == 3) ? 3 : 1;
    sink->stream = openDuplicate(fd, "w+b", true);
    if (sink->stream == NULL) {
        closeSink(sink);
        return NULL;
    }
    sink->cinfo.err = setupErrors(&sink->manager);
    if (setjmp(sink->manager.returnPoint)) {
        sink->failed = 1;
        closeSink(sink);
        return NULL;
    }
    sink->started = 1;
    startCompressor(&sink->cinfo, sink->stream, head, sink->components, quality);
    sink->line = (*sink->cinfo.mem->alloc_sarray)(
        (j_common_ptr)&sink->cinfo, JPOOL_IMAGE,
        sink->cinfo.image_width * (JDIMENSION)sink->components, 1);
    return sink;
}

/*
 *----------------------------------------------------------------------
 *
 * jpegRowSinkWrite --
 *
 *	Encodes the next row from its bands; see jpeg.h.
 *
 *----------------------------------------------------------------------
 */
int jpegRowSinkWrite(JpegRowSink *sink, const unsigned char *const *bandRows)
{
    if (sink == NULL || sink->failed || sink->cinfo.next_scanline >= sink->cinfo.image_height) {
        return 0;
    }
    if (setjmp(sink->manager.returnPoint)) {
        sink->failed = 1;
        errno = sink->manager.failedErrno;
        return 0;
    }
    JSAMPROW row = scanlineOf(bandRows, sink->components, sink->line[0], sink->cinfo.image_width);
    if (jpeg_write_scanlines(&sink->cinfo, &row, 1) != 1) {
        sink->failed = 1;
        return 0;
    }
    return 1;
}

int jpegRowSinkPosition(const JpegRowSink *sink)
{
    return sink != NULL ? (int)sink->cinfo.next_scanline : 0;
}

/*
 *----------------------------------------------------------------------
 *
 * finishJpegRowSink --
 *
 *	Ends the stream once every row was written, and frees the sink; see
 *	jpeg.h.
 *
 *----------------------------------------------------------------------
 */
int finishJpegRowSink(JpegRowSink *sink)
{
    if (sink == NULL) {
        return 0;
    }
    if (!sink->failed && sink->cinfo.next_scanline == sink->cinfo.image_height) {
        if (setjmp(sink->manager.returnPoint)) {
            sink->failed = 1;
        } else {
            jpeg_finish_compress(&sink->cinfo);
        }
    } else {
        sink->failed = 1;
    }
    bool finished = !sink->failed;
    return closeSink(sink) && finished ? 1 : 0;
}

void abandonJpegRowSink(JpegRowSink *sink)
{
    if (sink != NULL) {
        closeSink(sink);
    }
}
