/*
 * print_device.h --
 *
 *	A print job: a PDF document of device pages (1 device pixel = 72/300
 *	of a point) written to a temporary file, then renamed into place
 *	(ovex-pdf, through core/safe_replace.h: the old file's mode kept, a
 *	symbolic link written through) or spooled to its CUPS queue. An
 *	abandoned or failed job leaves no file, an old one as it was, and
 *	spools nothing.
 */
#ifndef OVEX_WIDGETS_PRINT_PRINT_DEVICE_H
#define OVEX_WIDGETS_PRINT_PRINT_DEVICE_H

#include <stdint.h>

#include <string>
#include <vector>

#include "core/safe_replace.h"
#include "widgets/print/printer_catalogue.h"

typedef struct _cairo cairo_t;
typedef struct _cairo_surface cairo_surface_t;

class PrintDevice {
public:
    explicit PrintDevice(const PrinterEntry &printer);
    ~PrintDevice();     /* abandons an unfinished job */

    const PrinterEntry &printer() const { return printer_; }
    PrinterCaps caps() const { return caps_; }

    /* Starts the document; false after a message in error(). */
    bool startDoc(const std::string &documentName, const std::string &outputName);
    void startPage();
    void endPage();
    /* Paints width x height 0x00RRGGBB pixels into the device rectangle
     * (x, y, w, h), clipped to it, without smoothing. */
    void paint(const uint32_t *pixels, int width, int height, int x, int y, int w, int h);
    /* The rows of a new width x height image (0x00RRGGBB, *stride pixels
     * apart) for the caller to fill, then placed as paint places pixels
     * by placeImage; NULL when no image can be made. */
    uint32_t *imageRows(int width, int height, int *stride);
    void placeImage(int x, int y, int w, int h);
    /* Finishes the file and delivers it; false after a message. */
    bool endDoc();

    const std::string &error() const { return error_; }
    /* Where the last finished ovex-pdf job went. */
    const std::string &outputPath() const { return outputPath_; }

private:
    void abandon();

    PrinterEntry printer_;
    PrinterCaps caps_;
    std::string title_;
    std::string tempPath_;      /* the spool file of a CUPS job */
    FileReplacement pdfFile_;   /* the new file of an ovex-pdf job */
    std::string outputPath_;
    std::string error_;
    int fd_ = -1;               /* the document's file (pdfFile_'s for ovex-pdf) */
    cairo_surface_t *surface_ = nullptr;
    cairo_t *cr_ = nullptr;
    bool pageOpen_ = false;
    /* Images painted on the open page: the document reads them when the
     * page is written, so they live until then (freeing them earlier makes
     * cairo copy each one). */
    std::vector<cairo_surface_t *> pageImages_;
    cairo_surface_t *pendingImage_ = nullptr;   /* from imageRows, not yet placed */
    void releasePageImages();
};

#endif /* OVEX_WIDGETS_PRINT_PRINT_DEVICE_H */
