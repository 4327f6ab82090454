/*
 * ffmpeg_stream.cpp --
 *
 *	libovex_video.so: video streams over FFmpeg (libavformat,
 *	libavcodec, libswscale): frames decoded in order, converted to the
 *	window's pixel format at the window's size and put on the window,
 *	paced by a monotonic clock. The library loads this module when the
 *	first video is opened; surfaces, memory and console output are the
 *	library's, reached through its host table.
 */
#include <stdarg.h>
#include <stdio.h>
#include <string.h>
#include <time.h>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include "widgets/ddw/video_module.h"

#define MODULE_EXPORT __attribute__((visibility("default")))

/* The library's services, set by the entry before any other call. */
static const OvexVideoHost *host;

struct VideoStream {
    Display *display;           /* of the surface */
    AVFormatContext *format;
    AVCodecContext *codec;
    int index;                  /* of the video stream in the file */
    double timeBase;            /* seconds per pts unit */
    int64_t startPts;
    AVPacket *packet;
    AVFrame *current;           /* the frame on show (or to be shown) */
    int haveCurrent;
    double currentPts;
    AVFrame *pending;           /* the next frame, decoded ahead */
    int havePending;
    double pendingPts;
    int draining, ended;
    double duration, frametime;
    int width, height, bitsPerPixel, frameCount;
    /* clock */
    int playing;
    double basePosition;
    struct timespec baseTime;
    double pausedPosition;
    /* output */
    struct SwsContext *scaler;
    DdSurface surface;
    int outputFormat;           /* AVPixelFormat of the surface, AV_PIX_FMT_NONE: none */
    int indexed;                /* 8-bit surface: 3-3-2 values through cellOf */
    unsigned char cellOf[256];
    int converted;              /* surface holds the current frame */
};

/* FFmpeg's messages of error level and worse go to the console. */
static void logToConsole(void *avcl, int level, const char *format, va_list args)
{
    (void)avcl;
    if (level > AV_LOG_ERROR) {
        return;
    }
    char text[1024];
    vsnprintf(text, sizeof(text), format, args);
    host->console(text);
}

static double monotonicSeconds(const struct timespec *since)
{
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)(now.tv_sec - since->tv_sec) + (now.tv_nsec - since->tv_nsec) * 1e-9;
}

static double streamClock(struct VideoStream *stream)
{
    if (stream == NULL) {
        return 0.0;
    }
    if (stream->playing) {
        return stream->basePosition + monotonicSeconds(&stream->baseTime);
    }
    return stream->pausedPosition;
}

/* Decodes the next frame into pending; 0 at the end of the stream. */
static int decodeNext(struct VideoStream *stream)
{
    if (stream->havePending) {
        return 1;
    }
    if (stream->ended) {
        return 0;
    }
    for (;;) {
        int code = avcodec_receive_frame(stream->codec, stream->pending);
        if (code == 0) {
            int64_t pts = stream->pending->best_effort_timestamp;
            if (pts == AV_NOPTS_VALUE) {
                stream->pendingPts = stream->haveCurrent ? stream->currentPts + stream->frametime
                                                         : 0.0;
            } else {
                stream->pendingPts = (double)(pts - stream->startPts) * stream->timeBase;
            }
            stream->havePending = 1;
            return 1;
        }
        if (code != AVERROR(EAGAIN) || stream->draining) {
            stream->ended = 1;
            return 0;
        }
        code = av_read_frame(stream->format, stream->packet);
        if (code < 0) {
            stream->draining = 1;
            avcodec_send_packet(stream->codec, NULL);
            continue;
        }
        if (stream->packet->stream_index == stream->index) {
            /* A broken packet is skipped; the decoder says why. */
            (void)avcodec_send_packet(stream->codec, stream->packet);
        }
        av_packet_unref(stream->packet);
    }
}

/* The pending frame becomes the current one. */
static void takePending(struct VideoStream *stream)
{
    av_frame_unref(stream->current);
    av_frame_move_ref(stream->current, stream->pending);
    stream->currentPts = stream->pendingPts;
    stream->haveCurrent = 1;
    stream->havePending = 0;
    stream->converted = 0;
}

/* The surface's pixel format for the window's visual. */
static int chooseOutputFormat(struct VideoStream *stream, DdPrimary *primary)
{
    XImage *image = stream->surface.image;
    int lsb = image->byte_order == LSBFirst;
    stream->indexed = 0;
    switch (image->bits_per_pixel) {
    case 32:
        if (image->red_mask == 0xff0000 && image->blue_mask == 0xff) {
            return lsb ? AV_PIX_FMT_BGR0 : AV_PIX_FMT_0RGB;
        }
        if (image->red_mask == 0xff && image->blue_mask == 0xff0000) {
            return lsb ? AV_PIX_FMT_RGB0 : AV_PIX_FMT_0BGR;
        }
        return AV_PIX_FMT_NONE;
    case 24:
        if (image->red_mask == 0xff0000) {
            return lsb ? AV_PIX_FMT_BGR24 : AV_PIX_FMT_RGB24;
        }
        return lsb ? AV_PIX_FMT_RGB24 : AV_PIX_FMT_BGR24;
    case 16:
        if (image->red_mask == 0xf800) {
            return lsb ? AV_PIX_FMT_RGB565LE : AV_PIX_FMT_RGB565BE;
        }
        if (image->red_mask == 0x7c00) {
            return lsb ? AV_PIX_FMT_RGB555LE : AV_PIX_FMT_RGB555BE;
        }
        return AV_PIX_FMT_NONE;
    case 8: {
        /* 3-3-2 colours, each shown by the nearest cell of the colormap. */
        XColor cells[256];
        int count = primary->visual->map_entries < 256 ? primary->visual->map_entries : 256;
        for (int i = 0; i < count; i++) {
            cells[i].pixel = (unsigned long)i;
        }
        Colormap colormap = DefaultColormap(primary->display, DefaultScreen(primary->display));
        XQueryColors(primary->display, colormap, cells, count);
        for (int i = 0; i < 256; i++) {
            int r = ((i >> 5) & 7) * 255 / 7, g = ((i >> 2) & 7) * 255 / 7, b = (i & 3) * 255 / 3;
            int64_t best = INT64_MAX;
            for (int k = 0; k < count; k++) {
                int64_t dr = (cells[k].red >> 8) - r, dg = (cells[k].green >> 8) - g,
                        db = (cells[k].blue >> 8) - b;
                int64_t d = dr * dr + dg * dg + db * db;
                if (d < best) {
                    best = d;
                    stream->cellOf[i] = (unsigned char)k;
                }
            }
        }
        stream->indexed = 1;
        return AV_PIX_FMT_RGB8;
    }
    default:
        return AV_PIX_FMT_NONE;
    }
}

/* Converts the current frame into a window-sized surface. */
static int convertCurrent(struct VideoStream *stream, DdPrimary *primary)
{
    if (!stream->haveCurrent) {
        return 0;
    }
    int width = primary->width > 1 ? primary->width : stream->width;
    int height = primary->height > 1 ? primary->height : stream->height;
    XImage *image = stream->surface.image;
    if (image == NULL || image->width != width || image->height != height) {
        host->freeSurface(primary, &stream->surface);
        if (!host->createSurface(primary, &stream->surface, width, height)) {
            return 0;
        }
        image = stream->surface.image;
        stream->outputFormat = chooseOutputFormat(stream, primary);
    }
    if (stream->outputFormat == AV_PIX_FMT_NONE) {
        return 0;
    }
    AVFrame *frame = stream->current;
    stream->scaler = sws_getCachedContext(stream->scaler, frame->width, frame->height,
                                          (enum AVPixelFormat)frame->format, width, height,
                                          (enum AVPixelFormat)stream->outputFormat,
                                          SWS_FAST_BILINEAR, NULL, NULL, NULL);
    if (stream->scaler == NULL) {
        return 0;
    }
    uint8_t *planes[4] = {(uint8_t *)image->data, NULL, NULL, NULL};
    int strides[4] = {image->bytes_per_line, 0, 0, 0};
    sws_scale(stream->scaler, frame->data, frame->linesize, 0, frame->height, planes, strides);
    if (stream->indexed) {
        for (int y = 0; y < height; y++) {
            unsigned char *row = (unsigned char *)image->data + (size_t)y * image->bytes_per_line;
            for (int x = 0; x < width; x++) {
                row[x] = stream->cellOf[row[x]];
            }
        }
    }
    stream->converted = 1;
    return 1;
}

static void showCurrent(struct VideoStream *stream, DdPrimary *primary)
{
    if (convertCurrent(stream, primary)) {
        (void)host->put(primary, &stream->surface);
    }
}

/* Repositions the decoder at the frame showing position. */
static void seekTo(struct VideoStream *stream, double position)
{
    int64_t target = stream->startPts + (int64_t)(position / stream->timeBase);
    if (av_seek_frame(stream->format, stream->index, target, AVSEEK_FLAG_BACKWARD) < 0) {
        av_seek_frame(stream->format, stream->index, stream->startPts, AVSEEK_FLAG_BACKWARD);
    }
    avcodec_flush_buffers(stream->codec);
    av_frame_unref(stream->pending);
    stream->havePending = 0;
    stream->draining = 0;
    stream->ended = 0;
    stream->haveCurrent = 0;
    /* Frames wholly before the position are passed over. */
    while (decodeNext(stream) && stream->pendingPts + stream->frametime <= position + 1e-9) {
        takePending(stream);
    }
}

/* True when playing from position needs the decoder moved back. */
static int needsSeek(struct VideoStream *stream, double position)
{
    if (stream->haveCurrent) {
        return position + 1e-9 < stream->currentPts;
    }
    if (stream->havePending) {
        return position + 1e-9 < stream->pendingPts;
    }
    return stream->ended;
}

static void streamPause(struct VideoStream *stream, DdPrimary *primary, double position)
{
    if (stream == NULL) {
        return;
    }
    if (position > stream->duration) {
        position = stream->duration;
    }
    if (!(position >= 0.0)) {
        position = 0.0;
    }
    stream->playing = 0;
    if (needsSeek(stream, position)) {
        seekTo(stream, position);
    }
    /* The last frame that starts at or before the position. */
    while (decodeNext(stream)
           && (stream->pendingPts <= position + 1e-9 || !stream->haveCurrent)) {
        takePending(stream);
    }
    stream->pausedPosition = position;
    showCurrent(stream, primary);
}

static void streamSeek(struct VideoStream *stream, double position)
{
    if (stream == NULL) {
        return;
    }
    if (position < 0.0) {
        if (stream->playing) {
            stream->pausedPosition = streamClock(stream);
            stream->playing = 0;
        }
        return;
    }
    if (needsSeek(stream, position)) {
        seekTo(stream, position);
    }
    stream->basePosition = position;
    clock_gettime(CLOCK_MONOTONIC, &stream->baseTime);
    stream->playing = 1;
}

static int updateStreamSample(struct VideoStream *stream, DdPrimary *primary)
{
    if (stream == NULL) {
        return 0;
    }
    if (!decodeNext(stream)) {
        if (stream->playing) {
            /* Running out of frames is reaching the end, wherever the
             * clock stands (it may still be within the last frame). */
            stream->pausedPosition = stream->duration;
            stream->playing = 0;
        }
        return 0;
    }
    if (stream->playing && stream->pendingPts > streamClock(stream) + 1e-9) {
        return 2;
    }
    takePending(stream);
    if (!stream->playing) {
        stream->pausedPosition = stream->currentPts;
    }
    showCurrent(stream, primary);
    return 1;
}

static void updateSurface(struct VideoStream *stream, DdPrimary *primary)
{
    if (stream == NULL || !stream->haveCurrent) {
        return;
    }
    XImage *image = stream->surface.image;
    if (!stream->converted || image == NULL || image->width != primary->width
        || image->height != primary->height) {
        showCurrent(stream, primary);
    } else {
        (void)host->put(primary, &stream->surface);
    }
}

static double streamDuration(struct VideoStream *stream)
{
    return stream != NULL ? stream->duration : 0.0;
}

static int streamPlaying(struct VideoStream *stream)
{
    return stream != NULL && stream->playing;
}

static double streamFrametime(struct VideoStream *stream)
{
    return stream != NULL ? stream->frametime : 0.0;
}

static void streamRect(struct VideoStream *stream, int *width, int *height)
{
    *width = stream != NULL ? stream->width : 0;
    *height = stream != NULL ? stream->height : 0;
}

static void streamImageInfo(struct VideoStream *stream, int info[4])
{
    info[0] = stream != NULL ? stream->width : 0;
    info[1] = stream != NULL ? stream->height : 0;
    info[2] = stream != NULL ? stream->bitsPerPixel : 0;
    info[3] = stream != NULL ? stream->frameCount : 0;
}

static int streamPalette(struct VideoStream *stream, unsigned char *rgb)
{
    (void)stream;
    (void)rgb;
    return 0;
}

static void freeStreamSample(struct VideoStream *stream);

static struct VideoStream *createStreamSample(const char *file, DdPrimary *primary)
{
    static int logSet = 0;
    if (!logSet) {
        logSet = 1;
        av_log_set_level(AV_LOG_ERROR);
        av_log_set_callback(logToConsole);
    }
    if (file == NULL || file[0] == '\0' || primary == NULL || primary->display == NULL) {
        return NULL;
    }
    struct VideoStream *stream = (struct VideoStream *)host->alloc(sizeof(struct VideoStream));
    if (stream == NULL) {
        return NULL;
    }
    memset(stream, 0, sizeof(*stream));
    stream->index = -1;
    stream->display = primary->display;
    if (avformat_open_input(&stream->format, file, NULL, NULL) < 0) {
        stream->format = NULL;
        freeStreamSample(stream);
        return NULL;
    }
    const AVCodec *decoder = NULL;
    if (avformat_find_stream_info(stream->format, NULL) < 0
        || (stream->index = av_find_best_stream(stream->format, AVMEDIA_TYPE_VIDEO, -1, -1,
                                                &decoder, 0)) < 0
        || decoder == NULL) {
        freeStreamSample(stream);
        return NULL;
    }
    AVStream *video = stream->format->streams[stream->index];
    stream->codec = avcodec_alloc_context3(decoder);
    if (stream->codec == NULL || avcodec_parameters_to_context(stream->codec, video->codecpar) < 0
        || avcodec_open2(stream->codec, decoder, NULL) < 0
        || (stream->packet = av_packet_alloc()) == NULL
        || (stream->current = av_frame_alloc()) == NULL
        || (stream->pending = av_frame_alloc()) == NULL || video->codecpar->width < 1
        || video->codecpar->height < 1) {
        freeStreamSample(stream);
        return NULL;
    }
    stream->timeBase = av_q2d(video->time_base);
    if (!(stream->timeBase > 0.0)) {
        stream->timeBase = 1.0 / AV_TIME_BASE;
    }
    stream->startPts = video->start_time != AV_NOPTS_VALUE ? video->start_time : 0;
    AVRational rate = video->avg_frame_rate.num > 0 ? video->avg_frame_rate : video->r_frame_rate;
    stream->frametime = rate.num > 0 && rate.den > 0 ? av_q2d(av_inv_q(rate)) : 0.04;
    if (video->duration != AV_NOPTS_VALUE && video->duration > 0) {
        stream->duration = (double)video->duration * stream->timeBase;
    } else if (stream->format->duration != AV_NOPTS_VALUE && stream->format->duration > 0) {
        stream->duration = (double)stream->format->duration / AV_TIME_BASE;
    }
    stream->width = video->codecpar->width;
    stream->height = video->codecpar->height;
    stream->bitsPerPixel = video->codecpar->bits_per_coded_sample;
    if (stream->bitsPerPixel <= 0) {
        const AVPixFmtDescriptor *descriptor =
            av_pix_fmt_desc_get((enum AVPixelFormat)video->codecpar->format);
        stream->bitsPerPixel = descriptor != NULL ? av_get_bits_per_pixel(descriptor) : 0;
    }
    stream->frameCount = video->nb_frames > 0 && video->nb_frames < INT32_MAX
                             ? (int)video->nb_frames
                             : 0;
    stream->outputFormat = AV_PIX_FMT_NONE;
    return stream;
}

static void freeStreamSample(struct VideoStream *stream)
{
    if (stream == NULL) {
        return;
    }
    if (stream->surface.image != NULL) {
        DdPrimary owner;
        memset(&owner, 0, sizeof(owner));
        owner.display = stream->display;
        host->freeSurface(&owner, &stream->surface);
    }
    sws_freeContext(stream->scaler);
    av_frame_free(&stream->current);
    av_frame_free(&stream->pending);
    av_packet_free(&stream->packet);
    avcodec_free_context(&stream->codec);
    if (stream->format != NULL) {
        avformat_close_input(&stream->format);
    }
    host->release(stream);
}


static const OvexVideoOps operations = {
    OVEX_VIDEO_ABI,    createStreamSample, freeStreamSample, streamPalette,
    streamPause,       streamSeek,         updateStreamSample, updateSurface,
    streamClock,       streamPlaying,      streamDuration,   streamFrametime,
    streamRect,        streamImageInfo,
};

extern "C" MODULE_EXPORT const OvexVideoOps *ovexVideoModule(const OvexVideoHost *library)
{
    if (library == NULL || library->abi != OVEX_VIDEO_ABI) {
        return NULL;
    }
    host = library;
    return &operations;
}
