/*
 * ddw_video.cpp --
 *
 *	Playing video in the ddw widget: the -video stream, the video and
 *	dshow subcommands, and the frame timer.
 */
#include <stdio.h>
#include <string.h>

#include "core/package.h"
#include "ovex/ovex.h"
#include "widgets/ddw/ddw_widget.h"
#include "widgets/ddw/video_stream.h"

static void ddwVideoTimerProc(ClientData clientData);

static void cancelTimer(DdwWidget *w)
{
    if (w->timer != NULL) {
        Tcl_DeleteTimerHandler(w->timer);
        w->timer = NULL;
    }
    Tcl_CancelIdleCall(ddwVideoTimerProc, (ClientData)w);
}

/* Sets -vvar to the position, when given. */
static void reportPosition(DdwWidget *w, double position)
{
    if (w->vvar != NULL && w->vvar[0] != '\0') {
        char text[64];
        snprintf(text, sizeof(text), "%.3f", position);
        Tcl_SetVar(w->interp, w->vvar, text, TCL_GLOBAL_ONLY);
    }
}

/* Evaluates -vstop, when given; its errors go to the background. */
static void runStopScript(DdwWidget *w)
{
    if (w->vstop != NULL && w->vstop[0] != '\0') {
        Tcl_Interp *interp = w->interp;
        Tcl_Preserve((ClientData)interp);
        if (Tcl_EvalEx(interp, w->vstop, -1, TCL_EVAL_GLOBAL) != TCL_OK) {
            Tcl_BackgroundError(interp);
        }
        Tcl_Release((ClientData)interp);
    }
}

/* A stream failed to open: when no video can play at all, the result
 * says why (a file that does not play leaves it empty). */
static void reportUnavailable(Tcl_Interp *interp)
{
    const char *why = videoUnavailable();
    if (why != NULL) {
        Tcl_SetResult(interp, (char *)why, TCL_VOLATILE);
    }
}

int ddwOpenVideo(DdwWidget *w, const char *file)
{
    struct VideoStream *stream = NULL;
    if (file != NULL && file[0] != '\0') {
        stream = createStreamSample(file, &w->primary);
        if (stream == NULL) {
            reportUnavailable(w->interp);
            return TCL_ERROR;
        }
    }
    ddwCloseVideo(w, 0);
    w->stream = stream;
    if (stream != NULL) {
        unsigned char rgb[768];
        int n = streamPalette(stream, rgb);
        if (n > 0) {
            ddwBuildPalette(w, (const unsigned char(*)[3])rgb, n, 0, 0, 1);
        }
        streamPause(stream, &w->primary, 0.0);
    }
    return TCL_OK;
}

void ddwCloseVideo(DdwWidget *w, int destroying)
{
    if (w->stream == NULL) {
        return;
    }
    w->playState = 0;
    cancelTimer(w);
    streamSeek(w->stream, destroying ? -2.0 : -1.0);
    freeStreamSample(w->stream);
    w->stream = NULL;
}

/* Plays from start to end unless already playing. */
static void startPlaying(DdwWidget *w, double start, double end)
{
    if (w->playState != 0) {
        return;
    }
    w->playState = 1;
    streamSeek(w->stream, start);
    w->endTime = end;
    Tcl_DoWhenIdle(ddwVideoTimerProc, (ClientData)w);
}

/* Draws the frames already due at the end of a playing run. A stream
 * that is not playing would step through the rest of the file, and one
 * whose next frame is not yet due has nothing more to draw now. */
static void drainStream(DdwWidget *w)
{
    while (w->stream != NULL && streamPlaying(w->stream)
           && updateStreamSample(w->stream, &w->primary) == 1) {
    }
}

static void ddwVideoTimerProc(ClientData clientData)
{
    DdwWidget *w = (DdwWidget *)clientData;
    Tcl_Preserve((ClientData)w);
    w->timer = NULL;
    if (w->stream == NULL || w->display == NULL) {
        Tcl_Release((ClientData)w);
        return;
    }
    if (w->playState == 0) {
        while (updateStreamSample(w->stream, &w->primary) == 2) {
        }
        double t = streamClock(w->stream);
        if (w->endTime <= t) {
            drainStream(w);
        }
        streamSeek(w->stream, -1.0);
        reportPosition(w, t);
        runStopScript(w);
        Tcl_Release((ClientData)w);
        return;
    }
    int r = updateStreamSample(w->stream, &w->primary);
    if (r == 0) {
        /* The stream ran out before the clock reached the end: the end of
         * the stream is the end of playback all the same. */
        double duration = streamDuration(w->stream);
        w->playState = 0;
        reportPosition(w, w->endTime < duration ? w->endTime : duration);
        if (w->tkwin != NULL) {
            /* Unless a trace of -vvar destroyed the widget. */
            runStopScript(w);
        }
        Tcl_Release((ClientData)w);
        return;
    }
    double t = streamClock(w->stream);
    /* A clock past the end stops at the end. */
    reportPosition(w, t < w->endTime ? t : w->endTime);
    /* The idle callbacks queued so far (redraws, traces), once. */
    (void)Tcl_DoOneEvent(TCL_IDLE_EVENTS | TCL_DONT_WAIT);
    if (w->stream != NULL && w->display != NULL && w->tkwin != NULL) {
        if (w->playState == 0 || w->endTime <= t) {
            if (w->endTime <= t) {
                drainStream(w);
            }
            if (w->stream != NULL) {
                streamSeek(w->stream, -1.0);
            }
            w->playState = 0;
            runStopScript(w);
        } else if (w->timer == NULL) {
            w->timer = Tcl_CreateTimerHandler(1, ddwVideoTimerProc, (ClientData)w);
        }
    }
    Tcl_Release((ClientData)w);
}

static void setDouble(Tcl_Interp *interp, double value)
{
    char text[64];
    snprintf(text, sizeof(text), "%.3f", value);
    Tcl_SetResult(interp, text, TCL_VOLATILE);
}

int ddwVideoCmd(DdwWidget *w, Tcl_Interp *interp, int argc, const char **argv)
{
    if (w->stream == NULL) {
        return TCL_ERROR;
    }
    struct VideoStream *stream = w->stream;
    double clock = streamClock(stream);
    double duration = streamDuration(stream);
    if (argc < 3) {
        startPlaying(w, 0.0, duration);
        return TCL_OK;
    }
    const char *word = argv[2];
    char text[64];
    if (strcmp(word, "continue") == 0) {
        startPlaying(w, clock, duration);
    } else if (strcmp(word, "update") == 0) {
        double step = argc > 3 ? (double)ovexLenientInt(argv[3]) : 0.0001;
        double end = clock + step < duration ? clock + step : duration;
        if (end <= clock) {
            end = clock + 0.0001;
        }
        startPlaying(w, clock, end);
    } else if (strcmp(word, "duration") == 0) {
        setDouble(interp, duration);
    } else if (strcmp(word, "frametime") == 0) {
        setDouble(interp, streamFrametime(stream));
    } else if (strcmp(word, "clock") == 0) {
        setDouble(interp, clock);
    } else if (strcmp(word, "imageinfo") == 0) {
        int info[4];
        streamImageInfo(stream, info);
        snprintf(text, sizeof(text), "%d %d %d %d", info[0], info[1], info[2], info[3]);
        Tcl_SetResult(interp, text, TCL_VOLATILE);
    } else if (strcmp(word, "width") == 0 || strcmp(word, "height") == 0) {
        int width = 0, height = 0;
        streamRect(stream, &width, &height);
        snprintf(text, sizeof(text), "%d", word[0] == 'w' ? width : height);
        Tcl_SetResult(interp, text, TCL_VOLATILE);
    } else if (strcmp(word, "state") == 0) {
        snprintf(text, sizeof(text), "%d", w->playState);
        Tcl_SetResult(interp, text, TCL_VOLATILE);
    } else if (strcmp(word, "pause") == 0) {
        if (w->playState != 0) {
            streamSeek(stream, -1.0);
            cancelTimer(w);
            w->playState = 0;
        }
    } else {
        double p = ovexLenientDouble(word);
        if (p > duration) {
            p = duration;
        }
        if (w->playState == 0 && p >= 0.0) {
            streamPause(stream, &w->primary, p);
        } else if (w->playState != 0 && p < 0.0) {
            streamSeek(stream, p);
            cancelTimer(w);
            w->playState = 0;
        }
        if (w->stream != NULL) {
            reportPosition(w, streamClock(w->stream));
        }
        runStopScript(w);
    }
    return TCL_OK;
}

int ddwShowCmd(DdwWidget *w, Tcl_Interp *interp, int argc, const char **argv)
{
    if (argc != 3) {
        Tcl_SetResult(interp, (char *)"Usage: ddw dshow aviFile\n", TCL_STATIC);
        return TCL_ERROR;
    }
    struct VideoStream *stream = createStreamSample(argv[2], &w->primary);
    if (stream == NULL) {
        reportUnavailable(interp);
        return TCL_ERROR;
    }
    streamSeek(stream, 0.0);
    /* The widget command holds the record, so it outlives a destroy. */
    while (updateStreamSample(stream, &w->primary) != 0) {
        tclUpdate(NULL, TCL_ALL_EVENTS);
        if (w->display == NULL || w->tkwin == NULL) {
            break;
        }
    }
    freeStreamSample(stream);
    return TCL_OK;
}
