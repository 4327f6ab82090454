/*
 * tulx_subcommands.h --
 *
 *	The measuring, masking, export and palette subcommands of the
 *	per-image command of a "tulx" image, each called with the image's
 *	master and the whole word list (the command word first), and the
 *	coordinate conversions they share.
 */
#ifndef OVEX_DISPLAY_TULX_SUBCOMMANDS_H
#define OVEX_DISPLAY_TULX_SUBCOMMANDS_H

#include "display/tulx/tulx.h"

/* tulx_coords.cpp */
void tulxImageToView(const TulxMaster *master, double col, double row, double *vx, double *vy);
void tulxViewToImage(const TulxMaster *master, double vx, double vy, double *col, double *row);
/* The unrotated view position (u, v) of a view pixel given as texts. */
void tulxParseViewXY(const TulxMaster *master, const char *x, const char *y, int *u, int *v);
int tulxBitmap2FileCmd(TulxMaster *master, int argc, const char **argv);
int tulxBitmap2MapCmd(TulxMaster *master, int argc, const char **argv);
int tulxCanv2ImgCmd(TulxMaster *master, int argc, const char **argv);
int tulxCanv2FileCmd(TulxMaster *master, int argc, const char **argv);
int tulxCanv2MapCmd(TulxMaster *master, int argc, const char **argv);
int tulxFile2CanvCmd(TulxMaster *master, int argc, const char **argv);
int tulxImg2CanvCmd(TulxMaster *master, int argc, const char **argv);
int tulxImg2MapCmd(TulxMaster *master, int argc, const char **argv);
int tulxMap2CanvCmd(TulxMaster *master, int argc, const char **argv);

/* tulx_pixels.cpp */
int tulxPixelCmd(TulxMaster *master, int argc, const char **argv);
int tulxHistCmd(TulxMaster *master, int argc, const char **argv);
int tulxLineCmd(TulxMaster *master, int argc, const char **argv);
int tulxProfileCmd(TulxMaster *master, int argc, const char **argv);
int tulxSectionCmd(TulxMaster *master, int argc, const char **argv);
int tulxSetPixelCmd(TulxMaster *master, int argc, const char **argv);
int tulxGraphCmd(TulxMaster *master, int argc, const char **argv);

/* tulx_stats.cpp */
int tulxStatsCmd(TulxMaster *master, int argc, const char **argv);

/* tulx_mask_cmd.cpp */
int tulxMaskCmd(TulxMaster *master, int argc, const char **argv);

/* tulx_dump.cpp */
int tulxDumpCmd(TulxMaster *master, int argc, const char **argv);

/* tulx_lookup_cmd.cpp */
int tulxEnhanceCmd(TulxMaster *master, int argc, const char **argv);
int tulxSetRangeCmd(TulxMaster *master, int argc, const char **argv);
int tulxGetLookupCmd(TulxMaster *master, int argc, const char **argv);
int tulxSetLookupCmd(TulxMaster *master, int argc, const char **argv);
int tulxGetIndicesCmd(TulxMaster *master, int argc, const char **argv);
int tulxSetIndicesCmd(TulxMaster *master, int argc, const char **argv);

/* tulx_frames.cpp */
void tulxApplyPalette(TulxMaster *master);
int tulxSeekCmd(TulxMaster *master, int argc, const char **argv);
int tulxAnimateCmd(TulxMaster *master, int argc, const char **argv);

/* tulx_capture.cpp */
int tulxCaptureCmd(TulxMaster *master, int argc, const char **argv);
int tulxCopyCmd(TulxMaster *master, int argc, const char **argv);
int tulxCropCmd(TulxMaster *master, int argc, const char **argv);

#endif /* OVEX_DISPLAY_TULX_SUBCOMMANDS_H */
