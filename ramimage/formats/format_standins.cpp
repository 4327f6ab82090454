/*
 * format_standins.cpp --
 *
 *	Entries of the image formats whose readers and writers are not part
 *	of the library yet: they recognise no file, have no header writer
 *	(-2), write no palette (0) and cannot write a whole file (-1). Each
 *	format's own file replaces its entries here.
 */
#include "ramimage/formats/format_entry.h"

int probeDicom(int fd, ImageHead *head, void **priv) { return 0; }
int probeDib(int fd, ImageHead *head) { return 0; }
int probeXbm(int fd, ImageHead *head) { return 0; }
int probeErdas(int fd, ImageHead *head) { return 0; }
int probeGif(int fd, ImageHead *head, const unsigned char *block, size_t length) { return 0; }
int probeFft(int fd, ImageHead *head, void **priv) { return 0; }
int probeElas(int fd, ImageHead *head) { return 0; }
int imgTiff(int fd, ImageHead *head, int volume, struct TiffState **state) { return 0; }
int probeJpeg(int fd, ImageHead *head, const unsigned char *block, size_t length) { return 0; }
int probePpm(int fd, ImageHead *head) { return 0; }

int writeErdasHeader(int fd, int checkSpace, ImageHead *head) { return -2; }
int writeDibHeader(int fd, int checkSpace, ImageHead *head) { return -2; }
int writeTiffImage(int fd, int checkSpace, const ImageHead *spaceHead, ImageHead *head) { return -2; }
int writePpmHeader(int fd, ImageHead *head) { return -2; }

int writeDibPalette(int fd, ImageHead *head) { return 0; }
int tiffFlushColorMap(int fd, ImageHead *head, struct TiffState *state) { return 0; }

int writeXbm(int fd, ImageHead *head, const unsigned char *bits, int bytesPerRow) { return -1; }
int writeGifImage(int fd, const void *ignored, ImageHead *head) { return -1; }
int writeJpegBlank(int fd, ImageHead *head) { return -1; }
